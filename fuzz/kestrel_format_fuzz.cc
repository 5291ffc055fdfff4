// Arbitrary bytes into every decoder of the Kestrel format. The first byte
// picks one decoder (see FormatMode); the rest is its input, so that the fuzzer
// can learn each decoder's shape separately and an input pays only for the
// decoder it reaches. None may crash, read out of bounds or loop; failures
// must come back as a Status, and what decodes must encode back to the same.
//
// Whole files are read from memory. The costly whole-tree walk runs only for
// files whose header and touched pages pass the cheap checks first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/kestrel_seed_files.h"
#include "runtime/kestrel/format/cipher.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/memo.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/record_stream.h"

using namespace kestrel;

namespace {

using namespace fuzzseeds;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void FuzzHeader(std::string_view data) {
  Header header;
  if (!Header::Decode(data, &header).ok()) return;
  Header back;
  Require(Header::Decode(header.Encode(), &back).ok() && back.Encode() == header.Encode());
  header.CheckAreas();
  int units = 0;
  if (header.SizeClassOf(header.root, &units).ok()) Require(units >= 1 && units <= kMaxUnits);
  header.EndOfData();
  const uint32_t before = header.last_id;
  uint32_t id = 0;
  if (header.NextId(&id).ok()) {
    Require(id == header.last_id && (id >> 24) < 0xFE);
  } else {
    Require(header.last_id == before);
  }
}

void FuzzPage(std::string_view data) {
  Page page;
  PageHeader page_header;
  if (!DecodePage(data, &page, &page_header).ok()) {
    PackedPage packed;
    Require(!DecodePagePacked(data, &packed).ok());
    return;
  }
  Require(page.records.size() == page_header.record_count && page.level == page_header.level);
  std::string image;
  if (!EncodePage(page, 0, &image).ok()) return;
  Page back;
  Require(DecodePage(image, &back).ok() && back.records == page.records);
  size_t units = 0;
  bool plain = false;
  Require(PageImageUnits(page, &units, &plain).ok() && units * kUnitSize == image.size());
}

void FuzzCompress(std::string_view data) {
  if (data.size() >= 2) {
    const size_t want = Get16LE(data.data());
    std::string plain;
    if (Decompress(data.substr(2), want, &plain).ok()) Require(plain.size() == want);
  }
  std::string packed, plain;
  const bool pays = Compress(data, &packed);
  Require(pays == HasRun(data));
  if (pays) Require(Decompress(packed, data.size(), &plain).ok() && plain == data);
}

void FuzzStream(std::string_view data) {
  if (data.empty()) return;
  const size_t count = static_cast<uint8_t>(data[0]);
  data.remove_prefix(1);
  std::vector<Record> records;
  const Status s = DecodeRecordStream(data, count, &records);
  std::string bytes;
  std::vector<PackedRecord> packed;
  Require(DecodeRecordStreamPacked(data, count, &bytes, &packed).ok() == s.ok());
  if (!s.ok()) return;
  Require(records.size() == count);
  std::string stream;
  Require(EncodeRecordStream(records, &stream).ok());
  size_t measured = 0;
  bool run = false;
  Require(MeasureRecordStream(records, &measured, &run).ok() && measured == stream.size());
  std::vector<Record> back;
  Require(DecodeRecordStream(stream, count, &back).ok() && back == records);
}

// Definition blocks of one table. A walk that runs past the last block
// reads missing blocks as zeros; two blocks further on the store hands out
// an oversized block, which the walker refuses, so a count of thousands of
// items read from zeros costs the fuzzer nothing.
class FuzzBlocks : public DefinitionBlocks {
 public:
  FuzzBlocks() = default;
  // The input cut into blocks.
  explicit FuzzBlocks(std::string_view data) {
    for (size_t pos = 0, n = 0; pos < data.size() && n <= 0xFFFF; pos += kDefinitionBlockSize, ++n) {
      Store(static_cast<uint16_t>(n), data.substr(pos, kDefinitionBlockSize));
    }
  }
  bool Load(uint16_t n, std::string* out) override {
    const auto it = blocks_.find(n);
    if (it != blocks_.end()) {
      *out = it->second;
      return true;
    }
    const size_t last = blocks_.empty() ? 0 : blocks_.rbegin()->first;
    if (n > last + 2) {
      out->assign(kDefinitionBlockSize + 1, '\0');
      return true;
    }
    return false;
  }
  void Store(uint16_t n, std::string_view bytes) override {
    bytes_ += bytes.size();
    blocks_[n] = std::string(bytes);
  }

  // Item counts whose smallest encoding would not fit in the blocks and two
  // zero blocks more are not worth building vectors for.
  bool CountsFit() const {
    const auto first = blocks_.find(0);
    if (first == blocks_.end() || first->second.size() < 10) return true;
    const char* p = first->second.data();
    const size_t fields = Get16LE(p + 4), memos = Get16LE(p + 6), keys = Get16LE(p + 8);
    return fields * 13 + memos * 8 + keys * 7 <= bytes_ + 2 * kDefinitionBlockSize;
  }

 private:
  std::map<uint16_t, std::string> blocks_;
  size_t bytes_ = 0;
};

// `read` was read from `blocks`: it verifies against them, and written back
// it reads the same (names and pictures stop at a zero byte, so a read one
// holds none). Verifying and writing leave a declaration as it is, the
// version aside.
void CheckDefinition(TableDef* read, DefinitionBlocks* blocks) {
  Require(WalkDefinition(DefinitionMode::kVerify, read, blocks).ok());
  const uint16_t version = read->version;
  MemoryDefinitionBlocks again;
  Require(WalkDefinition(DefinitionMode::kWrite, read, &again).ok());
  if (read->version == version) {
    TableDef reread;
    Require(WalkDefinition(DefinitionMode::kRead, &reread, &again).ok());
    Require(reread.fields == read->fields && reread.memos == read->memos && reread.keys == read->keys);
  }
  read->version = version;
  CheckKeySizes(*read);
}

void FuzzDefinition(std::string_view data) {
  FuzzBlocks blocks(data);
  if (!blocks.CountsFit()) return;
  TableDef read;
  if (!WalkDefinition(DefinitionMode::kRead, &read, &blocks).ok()) return;
  CheckDefinition(&read, &blocks);
}

void FuzzValue(std::string_view data) {
  if (data.empty()) return;
  const size_t key_length = std::min<size_t>(static_cast<uint8_t>(data[0]), data.size() - 1);
  const std::string_view key = data.substr(1, key_length);
  const std::string_view value = data.substr(1 + key_length);
  const ParsedKey k = ParseKey(key);
  Require(k.components.size() <= key.size() && k.name.size() <= key.size());
  Statistics stats;
  if (Statistics::Decode(value, &stats).ok()) Require(stats.Encode() == value);
  TransactionLink link;
  if (TransactionLink::Decode(value, &link).ok()) {
    TransactionLink back;
    Require(TransactionLink::Decode(link.Encode(), &back).ok() && back.control_file == link.control_file &&
            back.transaction_id == link.transaction_id);
  }
  LocaleRecord locale;
  if (LocaleRecord::Decode(value, &locale).ok()) Require(locale.Encode() == value);
  uint32_t table = 0;
  if (DecodeTableNumber(value, &table).ok()) Require(EncodeTableNumber(table) == value);
  // The value cut into segments of a length taken from the key's size.
  const size_t cut = 1 + key.size() * 97 % 10300;
  std::vector<std::string> segments;
  for (size_t pos = 0; pos < value.size(); pos += cut) segments.emplace_back(value.substr(pos, cut));
  std::string text;
  if (JoinMemo(segments, false, 4000, &text).ok()) Require(text.size() == 4000);
  if (JoinMemo(segments, true, 0, &text).ok()) {
    std::string again;
    Require(JoinMemo(SplitMemo(text, true), true, 0, &again).ok() && again == text);
  }
  // The cipher undoes itself on whole blocks.
  std::string block(value.substr(0, value.size() / kCipherBlockSize * kCipherBlockSize));
  const std::string plain = block;
  const CipherKey cipher_key = MakeCipherKey(key);
  Require(Scramble(cipher_key, block.data(), block.size()).ok());
  Require(Unscramble(cipher_key, block.data(), block.size()).ok() && block == plain);
}

// Orders two values of an integer or float field as the encoded keys must.
template <typename T>
int NaturalOrder(std::string_view a, std::string_view b) {
  T x, y;
  std::memcpy(&x, a.data(), sizeof x);
  std::memcpy(&y, b.data(), sizeof y);
  return x < y ? -1 : (y < x ? 1 : 0);
}

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Two rows of the second seed table (first bytes: the two rows, then flags
// picking a descending direction and case folding per field): each field's
// encoding orders as its value does, and reads back as its bytes.
void FuzzKeys(std::string_view data) {
  static const TableDef def = fuzzseeds::BlobTable();
  const size_t length = def.record_length;
  if (data.size() < 2 * length + 1) return;
  const std::string_view a = data.substr(0, length), b = data.substr(length, length);
  const uint8_t flags = static_cast<uint8_t>(data[2 * length]);
  const LocaleTables& locale = DefaultLocaleTables();
  for (size_t i = 0; i < def.fields.size(); ++i) {
    const FieldDef& f = def.fields[i];
    const bool descending = (flags >> i) & 1;
    const std::string_view fa = a.substr(f.offset, f.size), fb = b.substr(f.offset, f.size);
    std::string ea, eb;
    EncodeComponent(f, descending, (flags & 0x80) != 0, locale, fa, &ea);
    EncodeComponent(f, descending, (flags & 0x80) != 0, locale, fb, &eb);
    Require(ea.size() == f.size && eb.size() == f.size);
    int natural = 0;
    bool exact = true;
    switch (f.type) {
      case FieldType::kShort: natural = NaturalOrder<int16_t>(fa, fb); break;
      case FieldType::kUShort: natural = NaturalOrder<uint16_t>(fa, fb); break;
      case FieldType::kULong:
      case FieldType::kTime: natural = NaturalOrder<uint32_t>(fa, fb); break;
      case FieldType::kReal: {
        double x, y;
        std::memcpy(&x, fa.data(), 8);
        std::memcpy(&y, fb.data(), 8);
        // NaNs have no order, and -0 sorts below +0 in the key.
        if (x != x || y != y || (x == 0 && y == 0)) exact = false;
        natural = NaturalOrder<double>(fa, fb);
        break;
      }
      case FieldType::kSReal: {
        float x, y;
        std::memcpy(&x, fa.data(), 4);
        std::memcpy(&y, fb.data(), 4);
        if (x != x || y != y || (x == 0 && y == 0)) exact = false;
        natural = NaturalOrder<float>(fa, fb);
        break;
      }
      default: exact = false;  // text: folded and cut at the terminator
    }
    if (exact) {
      const int encoded = Sign(CompareKeys(ea, eb));
      Require(encoded == (descending ? -natural : natural));
      Require(DecodeComponent(f, descending, ea) == fa);
    } else {
      DecodeComponent(f, descending, ea);
    }
  }
  std::optional<Record> entry;
  if (BuildKeyEntry(7, 0, def, a, locale, 9, &entry).ok() && entry) {
    const ParsedKey k = ParseKey(entry->key());
    Require(k.kind == RecordKind::kKeyEntry && k.table == 7 && k.key_number == 0);
  }
}

// What a reader of the file makes of its records, as the inspection tool
// does: every value decoded by its kind, each table's definition read from
// its blocks, rows checked against it and key entries decoded.
void DecodeRecords(const std::vector<Record>& records) {
  std::map<uint32_t, FuzzBlocks> definitions;
  for (const Record& r : records) {
    const ParsedKey k = ParseKey(r.key());
    switch (k.kind) {
      case RecordKind::kStatistics: {
        Statistics s;
        Statistics::Decode(r.value(), &s);
        break;
      }
      case RecordKind::kLocale: {
        LocaleRecord l;
        LocaleRecord::Decode(r.value(), &l);
        break;
      }
      case RecordKind::kName: {
        uint32_t table = 0;
        DecodeTableNumber(r.value(), &table);
        break;
      }
      case RecordKind::kTransactionLink: {
        TransactionLink link;
        TransactionLink::Decode(r.value(), &link);
        break;
      }
      case RecordKind::kDefinition:
        definitions[k.table].Store(k.block, r.value());
        break;
      default:
        break;
    }
  }
  std::map<uint32_t, TableDef> defs;
  for (auto& [table, blocks] : definitions) {
    TableDef def;
    if (blocks.CountsFit() && WalkDefinition(DefinitionMode::kRead, &def, &blocks).ok()) {
      CheckDefinition(&def, &blocks);
      defs.emplace(table, std::move(def));
    }
  }
  std::vector<std::string> segments;
  for (size_t i = 0; i < records.size(); ++i) {
    const ParsedKey k = ParseKey(records[i].key());
    const auto def = defs.find(k.table);
    if (def == defs.end()) continue;
    if (k.kind == RecordKind::kKeyEntry && k.key_number < def->second.keys.size()) {
      std::string_view rest = k.components;
      for (const KeyComponent& c : def->second.keys[k.key_number].components) {
        if (c.field >= def->second.fields.size()) break;
        const FieldDef& f = def->second.fields[c.field];
        if (rest.size() < f.size) break;
        DecodeComponent(f, c.descending(), rest.substr(0, f.size));
        rest.remove_prefix(f.size);
      }
    } else if (k.kind == RecordKind::kMemo && k.memo < def->second.memos.size()) {
      // Segments of one memo are adjacent in key order.
      segments.emplace_back(records[i].value());
      const ParsedKey next = i + 1 < records.size() ? ParseKey(records[i + 1].key()) : ParsedKey{};
      if (next.kind != RecordKind::kMemo || next.table != k.table || next.id != k.id || next.memo != k.memo) {
        const MemoDef& m = def->second.memos[k.memo];
        std::string text;
        JoinMemo(segments, m.blob(), m.size, &text);
        segments.clear();
      }
    }
  }
}

// Reads a whole file: header first, then the root page alone, and only then
// the walk of the whole tree.
void ReadFile(std::string file) {
  ImageReader reader;
  if (!reader.Open(std::move(file)).ok()) return;
  if (!reader.empty()) {
    Page root;
    if (!reader.ReadPage(reader.header().root, &root).ok()) return;
  }
  std::vector<Record> records;
  if (!reader.ReadAll(&records).ok()) return;
  if (!reader.empty()) Require(!records.empty() && records.front().key().empty());
  DecodeRecords(records);
}

// Where each page of the seed file lies, to tell which pages a patch hits.
struct SeedLayout {
  std::string file;
  std::map<uint64_t, uint32_t> page_at;  // file position -> page reference

  SeedLayout() : file(fuzzseeds::SeedFiles().front()) {
    ImageReader reader;
    Require(reader.Open(file).ok());
    Require(reader.VisitPages([this](const ImageReader::PageInfo& info, const Page&) {
      page_at[PagePosition(info.ref)] = info.ref;
    }).ok());
  }
};

void FuzzPatchedFile(std::string_view data) {
  static const SeedLayout seed;
  std::string file = seed.file;
  std::set<uint32_t> touched;
  bool header = false;
  for (size_t i = 0; i + 3 <= data.size(); i += 3) {
    const size_t pos = Get16LE(data.data() + i) % file.size();
    if (file[pos] == data[i + 2]) continue;
    file[pos] = data[i + 2];
    if (pos < kHeaderSize) {
      header = true;
      continue;
    }
    auto page = seed.page_at.upper_bound(pos);
    if (page != seed.page_at.begin()) touched.insert(std::prev(page)->second);
  }
  if (touched.empty() && !header) return;  // nothing changed: the seed is known good
  // Pages hit by a patch are decoded alone first; most patches break their
  // page, and the walk would fail at the same place after more work.
  if (!header) {
    ImageReader reader;
    Require(reader.Open(file).ok());
    for (uint32_t ref : touched) {
      Page page;
      if (!reader.ReadPage(ref, &page).ok()) return;
    }
  }
  ReadFile(std::move(file));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size == 0) return 0;
  const std::string_view data(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  switch (bytes[0] % kModeCount) {
    case kHeaderMode: FuzzHeader(data); break;
    case kPageMode: FuzzPage(data); break;
    case kCompressMode: FuzzCompress(data); break;
    case kStreamMode: FuzzStream(data); break;
    case kDefinitionMode: FuzzDefinition(data); break;
    case kValueMode: FuzzValue(data); break;
    case kKeyMode: FuzzKeys(data); break;
    case kPatchMode: FuzzPatchedFile(data); break;
    case kFileMode: ReadFile(std::string(data)); break;
  }
  return 0;
}
