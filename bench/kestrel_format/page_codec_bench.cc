// Throughput of the page codec and the stream compressor on realistic pages:
// leaf pages of 4399-byte grade-book rows (mostly blank text and zero
// numbers with a few grades) and index/leaf pages of key entries.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/record_stream.h"

namespace kestrel {
namespace {

constexpr uint32_t kTable = 1;

// One grade-book row: text runs are spaces, numbers zero, as the school's files hold them.
std::string GradeRow(int n) {
  std::string row(4399, '\0');
  const std::pair<int, int> text[] = {{10, 20},   {20, 50},   {54, 114},  {114, 120}, {278, 350},
                                      {430, 450}, {502, 522}, {538, 568}, {568, 4393}};
  for (auto [b, e] : text) row.replace(b, e - b, e - b, ' ');
  Put32LE(row.data() + 4, 10000 + n);                       // student
  Put16LE(row.data() + 8, static_cast<uint16_t>(n));        // order
  row.replace(10, 9, "MASCULINO");
  const std::string name = "ALUMNO NUMERO " + std::to_string(n) + ", NOMBRE";
  row.replace(20, name.size(), name);
  Put32LE(row.data() + 50, 321);                            // subject
  row.replace(54, 11, "MATEMATICAS");
  for (int k = 0; k < 6; ++k) {                             // six stage grades of thirty
    row[120 + 4 * k + 2] = static_cast<char>(0x05 + (n + k) % 5);
    row[120 + 4 * k + 3] = static_cast<char>(k % 2 ? 0x50 : 0x00);
  }
  row.replace(430, 7, "APRUEBA");
  Put32LE(row.data() + 534, 12);                            // course
  return row;
}

Page GradeLeaf() {
  Page p;
  for (int i = 0; i < 3; ++i) p.records.push_back(Record(DataKey(kTable, 100 + i), GradeRow(i)));
  return p;
}

// Entries of a (subject, student name) key with duplicates: short, similar keys.
Page KeyPage(uint8_t level, int count) {
  Page p;
  p.level = level;
  for (int i = 0; i < count; ++i) {
    std::string key = KeyEntryPrefix(kTable, 6);
    Append32BE(&key, 0x80000000u + 321);
    std::string name = "alumno numero " + std::to_string(1000 + i) + ", nombre";
    name.resize(30, ' ');
    key += name;
    Append32BE(&key, 100 + i);
    std::string value;
    if (level == 0) Append32BE(&value, 100 + i);
    p.records.push_back(Record(key, value, level ? 40 + i : 0));
  }
  return p;
}

void EncodeBench(benchmark::State& state, const Page& page) {
  std::string image;
  PageHeader h;
  for (auto _ : state) {
    EncodePage(page, 7, &image, &h);
    benchmark::DoNotOptimize(image.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * h.plain_size);
  state.counters["stored"] = h.stored_size;
  state.counters["plain"] = h.plain_size;
}

void DecodeBench(benchmark::State& state, const Page& page) {
  std::string image;
  PageHeader h;
  if (!EncodePage(page, 7, &image, &h).ok()) state.SkipWithError("encode failed");
  Page out;
  for (auto _ : state) {
    if (!DecodePage(image, &out).ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.records.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * h.plain_size);
}

void BM_EncodeGradeLeaf(benchmark::State& state) { EncodeBench(state, GradeLeaf()); }
void BM_DecodeGradeLeaf(benchmark::State& state) { DecodeBench(state, GradeLeaf()); }
void BM_EncodeKeyLeaf(benchmark::State& state) { EncodeBench(state, KeyPage(0, 60)); }
void BM_DecodeKeyLeaf(benchmark::State& state) { DecodeBench(state, KeyPage(0, 60)); }
void BM_EncodeIndexPage(benchmark::State& state) { EncodeBench(state, KeyPage(1, 60)); }
void BM_DecodeIndexPage(benchmark::State& state) { DecodeBench(state, KeyPage(1, 60)); }

std::string GradeStream() {
  std::string s;
  EncodeRecordStream(GradeLeaf().records, &s);
  return s;
}

void BM_CompressGradeStream(benchmark::State& state) {
  const std::string plain = GradeStream();
  std::string packed;
  for (auto _ : state) {
    Compress(plain, &packed);
    benchmark::DoNotOptimize(packed.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * plain.size());
  state.counters["ratio"] = double(packed.size()) / plain.size();
}

void BM_DecompressGradeStream(benchmark::State& state) {
  const std::string plain = GradeStream();
  std::string packed, out;
  Compress(plain, &packed);
  for (auto _ : state) {
    if (!Decompress(packed, plain.size(), &out).ok()) state.SkipWithError("decompress failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * plain.size());
}

BENCHMARK(BM_EncodeGradeLeaf);
BENCHMARK(BM_DecodeGradeLeaf);
BENCHMARK(BM_EncodeKeyLeaf);
BENCHMARK(BM_DecodeKeyLeaf);
BENCHMARK(BM_EncodeIndexPage);
BENCHMARK(BM_DecodeIndexPage);
BENCHMARK(BM_CompressGradeStream);
BENCHMARK(BM_DecompressGradeStream);

}  // namespace
}  // namespace kestrel

BENCHMARK_MAIN();
