// Writes the seed corpora of the fuzz targets, one folder per target, from
// our own code: Kestrel files and pieces of them built by the format's
// writers, and typical expressions, pictures and message files. The corpora
// are kept in the repository (fuzz/corpus); scripts/fuzz-seeds.sh rewrites
// them after a format change.
//
//   fuzz_seed_corpus DIR          writes DIR/<target>/<seed> (folders created)
//   fuzz_seed_corpus --check DIR  exit 1, naming each seed in DIR that is
//                                 missing or differs from what would be written
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/kestrel_seed_files.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/memo.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/record_stream.h"

namespace fs = std::filesystem;
using namespace kestrel;
using namespace fuzzseeds;

namespace {

using Corpus = std::map<std::string, std::string>;  // "target/seed" -> bytes

std::string WithMode(FormatMode mode, std::string_view payload) {
  std::string s(1, static_cast<char>(mode));
  s.append(payload);
  return s;
}

class CollectBlocks : public DefinitionBlocks {
 public:
  bool Load(uint16_t, std::string*) override { return false; }
  void Store(uint16_t, std::string_view bytes) override { stream.append(bytes); }
  std::string stream;
};

void AddFormatSeeds(Corpus* corpus) {
  const std::string dir = "kestrel_format_fuzz/";
  const std::vector<std::string> files = SeedFiles();
  auto add = [&](const std::string& name, FormatMode mode, std::string_view payload) {
    (*corpus)[dir + name] = WithMode(mode, payload);
  };
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string n = std::to_string(i);
    add("file_" + n, kFileMode, files[i]);
    if (files[i].size() >= kHeaderSize) add("header_" + n, kHeaderMode, files[i].substr(0, kHeaderSize));
  }

  // Pages of the first two files: the root, a leaf, a compressed page;
  // their record streams as well.
  add("file_empty", kFileMode, "");
  for (size_t f = 0; f < 2; ++f) {
    ImageReader reader;
    reader.Open(files[f]);
    std::map<std::string, std::string> pages;
    reader.VisitPages([&](const ImageReader::PageInfo& info, const Page& page) {
      const std::string kind = page.isIndex() ? "index" : info.header.compressed() ? "compressed" : "leaf";
      if (pages.count(kind)) return;
      pages[kind] = files[f].substr(PagePosition(info.ref), static_cast<size_t>(info.units) * kUnitSize);
      std::string stream(1, static_cast<char>(page.records.size()));
      EncodeRecordStream(page.records, &stream);
      add("stream_" + std::to_string(f) + "_" + kind, kStreamMode, stream);
    });
    for (const auto& [kind, image] : pages) add("page_" + std::to_string(f) + "_" + kind, kPageMode, image);
  }
  Page plain;
  plain.records = {Record("", ""), Record("k1", "v1"), Record("k2", "value"), Record("key3", "")};
  std::string image;
  EncodePage(plain, 0, &image);
  add("page_plain", kPageMode, image);

  for (const auto& [name, plain] :
       std::map<std::string, std::string>{{"runs", "abc" + std::string(40, ' ') + "xyz" + std::string(300, '\0')},
                                          {"short_runs", "aaabbbbcc" + std::string(5, 'd')}}) {
    std::string packed;
    Compress(plain, &packed);
    std::string payload;
    Append16LE(&payload, static_cast<uint16_t>(plain.size()));
    add("compress_" + name, kCompressMode, payload + packed);
  }

  for (const auto& [name, def] : std::map<std::string, TableDef>{{"grades", GradeTable()}, {"blobs", BlobTable()}}) {
    CollectBlocks blocks;
    TableDef d = def;
    WalkDefinition(DefinitionMode::kWrite, &d, &blocks);
    add("definition_" + name, kDefinitionMode, blocks.stream);
  }

  auto value = [&](const std::string& name, const std::string& key, const std::string& v) {
    add("value_" + name, kValueMode, std::string(1, static_cast<char>(key.size())) + key + v);
  };
  value("statistics", StatisticsKey(1, kKindData), Statistics{30, 7}.Encode());
  value("link", TransactionLinkKey(), TransactionLink{12, "kestrel.tcf"}.Encode());
  value("locale", LocaleKey(1), LocaleRecord{false, DefaultLocaleTables()}.Encode());
  value("name", NameKey("QVLIBRETA"), EncodeTableNumber(1));
  value("memo", MemoKey(1, 2, 0, 0), SplitMemo(std::string(20, 'm'), false)[0]);
  value("blob", MemoKey(1, 2, 0, 0), SplitMemo(std::string(20, 'b'), true)[0]);
  value("definition", DefinitionKey(1, 0), std::string(64, '\x01'));
  value("key_entry", KeyEntryPrefix(1, 0) + "abcd", std::string("\0\0\0\x02", 4));

  add("keys_ascending", kKeyMode, BlobRow(1) + BlobRow(2) + std::string(1, '\0'));
  add("keys_mixed", kKeyMode, BlobRow(3) + BlobRow(0) + std::string(1, '\x55'));

  // Patches: one in the header's area table, one in the root page, one in a leaf.
  std::string patch;
  for (uint16_t pos : {0x24, 0x200 + 13, 0x300 + 20}) {
    Append16LE(&patch, pos);
    patch.push_back('\x01');
    add("patch_" + std::to_string(pos), kPatchMode, patch.substr(patch.size() - 3));
  }
  add("patch_three", kPatchMode, patch);
}

void AddTextSeeds(Corpus* corpus) {
  const std::map<std::string, std::vector<std::string>> texts = {
      {"expression_fuzz",
       {"T:ID = 42", "T:ID = 42 AND UPPER(T:NAME) = 'O''BRIEN'", "T:GRADE >= 7.50 OR NOT (T:ID < 3)",
        "SUB(T:NAME, 2, 3) & 'x' = 'Bri' & 'x'", "INSTRING('Br', T:NAME, 1, 1) > 0",
        "ROUND(T:GRADE * 3 / 2, .5) + ABS(-LOC:N) % 4", "YEAR(T:BORN) = 1990 AND T:MARK[2] <> 0",
        "LEN(CLIP(LOC:S)) = 4 AND LEFT(T:NOTE, 3) = 'abc'", "NUMERIC(LOC:S) OR INT(T:GRADE) = 7",
        "DATE(12, 31, 1999) < TODAY()", "LOWER(T:NAME) >= 'm' AND T:NAME <= 'Z'",
        // Token mode: a first byte below 0x20, then token numbers.
        std::string("\x01\x00\x0e\x0a\x14\x01\x0f\x08", 8), std::string("\x02\x24\x01\x1a\x00\x19\x02\x18", 8)}},
      {"picture_fuzz",
       {"@n-14\n-1234", "@n5.2B\n12.50", "@n$-10.2\n$-1,234.56", "@n(12.3)\n(12.345)", "@e12.3\n1.5e+3",
        "@d6\n31/12/1999", "@d17\n1 de enero de 1801", "@t4\n12:34:56", "@s10\nhola mundo", "@p###-####p\n123-4567",
        "@k##-@^_?|#k\n12-Ab_?", std::string("\x10\x01\x02", 3) + "12.5", std::string("\x35\x81\x05", 3) + "31/01/90"}},
      {"error_replacements_fuzz",
       {"# mensajes\n33=No hay registro disponible\n90=Error del sistema de archivos\n",
        "  2 = Archivo no encontrado \r\n\n47=Declaración de registro inválida\n33=again\n",
        "not a line\n=empty code\n-5=negative\n99999999999=too big\n"}},
  };
  for (const auto& [target, list] : texts) {
    for (size_t i = 0; i < list.size(); ++i) (*corpus)[target + "/seed_" + std::to_string(i)] = list[i];
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[argc - 1];
  Corpus corpus;
  AddFormatSeeds(&corpus);
  AddTextSeeds(&corpus);
  int stale = 0;
  for (const auto& [name, bytes] : corpus) {
    const fs::path path = dir / name;
    if (check) {
      if (!fs::exists(path) || ReadFile(path) != bytes) {
        std::printf("stale or missing seed: %s\n", path.c_str());
        ++stale;
      }
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  }
  if (check && stale) std::printf("rewrite them with scripts/fuzz-seeds.sh\n");
  std::printf("%zu seeds %s\n", corpus.size(), check ? "checked" : "written");
  return stale ? 1 : 0;
}
