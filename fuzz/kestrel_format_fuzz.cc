// Arbitrary bytes into every decoder of the Kestrel format: header, page
// image, compressed stream, record stream, definition stream, record values,
// memo segments and a whole file walked from its root. None may crash, read
// out of bounds or loop; failures must come back as a Status.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/image_writer.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/table_writer.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/memo.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/record_stream.h"

using namespace kestrel;

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void FuzzDefinition(std::string_view data) {
  MemoryDefinitionBlocks blocks;
  for (size_t pos = 0, n = 0; pos < data.size() && n < 8; pos += kDefinitionBlockSize, ++n) {
    blocks.Store(static_cast<uint16_t>(n), data.substr(pos, kDefinitionBlockSize));
  }
  TableDef read;
  Status s = WalkDefinition(DefinitionMode::kRead, &read, &blocks);
  if (!s.ok()) return;
  // What was read verifies against itself, and writes back to a stream that reads the same.
  Require(WalkDefinition(DefinitionMode::kVerify, &read, &blocks).ok());
  MemoryDefinitionBlocks again;
  TableDef copy = read;
  Require(WalkDefinition(DefinitionMode::kWrite, &copy, &again).ok());
  TableDef reread;
  if (copy.version == read.version) {
    Require(WalkDefinition(DefinitionMode::kRead, &reread, &again).ok());
    Require(reread.fields.size() == read.fields.size() && reread.keys == read.keys);
  }
  CheckKeySizes(read);
}

// A real two-level file with a table, rows, keys and memos, so that patched
// copies of it reach deep into the tree walk and the decoders below it.
const std::string& SeedFile() {
  static const std::string file = [] {
    TableDef def;
    def.record_length = 40;
    FieldDef n;
    n.type = FieldType::kLong;
    n.size = 4;
    FieldDef name;
    name.type = FieldType::kString;
    name.offset = 4;
    name.size = 36;
    name.chars = 36;
    name.position = 1;
    def.fields = {n, name};
    def.memos = {MemoDef{"M", "T:M", 2000, 0}};
    def.keys = {KeyDef{"A", "T:A", kKeyNoCase | kKeyDuplicates, {{1, 0}, {0, 1}}}};
    ImageWriter w;
    TableWriter t(&w, "T", def);
    t.Create();
    for (int i = 0; i < 30; ++i) {
      std::string row(40, ' ');
      row[0] = static_cast<char>(i);
      row.replace(4, 5, "Name" + std::to_string(i % 10));
      t.AddRow(row, {std::string(i * 20, static_cast<char>('a' + i % 26))});
    }
    ImageLayout layout;
    layout.max_records = 6;
    std::string out;
    w.Build(&out, layout);
    return out;
  }();
  return file;
}

// Input as patches (2-byte offset, byte) over the seed file.
void FuzzPatchedFile(std::string_view data) {
  std::string file = SeedFile();
  for (size_t i = 0; i + 3 <= data.size(); i += 3) {
    const size_t pos = (static_cast<uint8_t>(data[i]) | (static_cast<uint8_t>(data[i + 1]) << 8)) % file.size();
    file[pos] = data[i + 2];
  }
  ImageReader reader;
  if (!reader.Open(file).ok()) return;
  std::vector<Record> records;
  if (!reader.ReadAll(&records).ok()) return;
  for (const Record& r : records) {
    ParsedKey k = ParseKey(r.key());
    if (k.kind == RecordKind::kKeyEntry) {
      FieldDef f;
      f.type = FieldType::kString;
      DecodeComponent(f, true, k.components);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);

  Header header;
  if (Header::Decode(data, &header).ok()) {
    int units = 0;
    header.SizeClassOf(header.root, &units);
    header.EndOfData();
    header.CheckAreas();
    uint32_t id = 0;
    header.NextId(&id);
  }

  Page page;
  PageHeader page_header;
  if (DecodePage(data, &page, &page_header).ok()) {
    std::string image;
    if (EncodePage(page, 0, &image).ok()) {
      Page back;
      Require(DecodePage(image, &back).ok() && back.records == page.records);
    }
  }

  std::string plain;
  const size_t want = size == 0 ? 0 : (static_cast<uint8_t>(data[0]) * 61u) % 20000;
  if (Decompress(data, want, &plain).ok()) Require(plain.size() == want);
  std::string packed;
  if (Compress(data, &packed)) {
    Require(Decompress(packed, data.size(), &plain).ok() && plain == data);
  }

  std::vector<Record> records;
  const size_t count = size == 0 ? 0 : static_cast<uint8_t>(data[0]);
  if (DecodeRecordStream(data.substr(size ? 1 : 0), count, &records).ok()) {
    std::string stream;
    Require(EncodeRecordStream(records, &stream).ok());
  }

  FuzzDefinition(data);

  Statistics stats;
  Statistics::Decode(data, &stats);
  TransactionLink link;
  TransactionLink::Decode(data, &link);
  LocaleRecord locale;
  LocaleRecord::Decode(data, &locale);
  ParseKey(data);
  std::string text;
  std::vector<std::string> segments;
  for (size_t pos = 0; pos < data.size(); pos += 300) segments.emplace_back(data.substr(pos, 300));
  JoinMemo(segments, true, 0, &text);
  JoinMemo(segments, false, 4000, &text);

  FuzzPatchedFile(data);

  if (size >= kHeaderSize) {
    ImageReader reader;
    if (reader.Open(std::string(data)).ok()) reader.ReadAll(&records);
  }
  return 0;
}
