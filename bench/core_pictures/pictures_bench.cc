// Throughput of picture format and deformat, and of the decimal operations
// behind them. A browse formats every cell of every row it shows, so the
// page benchmark formats one screen of the grade-book list: 20 rows of its
// 20 columns with the pictures that list uses.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "runtime/core/decimal.h"
#include "runtime/core/picture.h"

namespace {

rt::Decimal D(const char* s) { return rt::Decimal::Parse(s).value_or(rt::Decimal()); }

void BM_Format(benchmark::State& state, const char* picture, rt::PictureValue value) {
  const rt::Picture p = rt::Picture::Compile(picture);
  for (auto _ : state) benchmark::DoNotOptimize(p.Format(value));
  state.SetItemsProcessed(state.iterations());
}

void BM_Deformat(benchmark::State& state, const char* picture, const char* text) {
  const rt::Picture p = rt::Picture::Compile(picture);
  for (auto _ : state) benchmark::DoNotOptimize(p.Deformat(text));
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_Format, n_14, "@n-14", rt::PictureValue(12345678));
BENCHMARK_CAPTURE(BM_Format, n5_2B, "@n5.2B", rt::PictureValue(D("7.25")));
BENCHMARK_CAPTURE(BM_Format, n2B, "@n2B", rt::PictureValue(D("8.50")));
BENCHMARK_CAPTURE(BM_Format, n_10_2_wide, "@n-10.2", rt::PictureValue(D("-1234567.895")));
BENCHMARK_CAPTURE(BM_Format, s60, "@s60", rt::PictureValue("GONZALEZ, MARIA ELENA"));
BENCHMARK_CAPTURE(BM_Format, d6, "@d6", rt::PictureValue(81457));
BENCHMARK_CAPTURE(BM_Format, d17, "@d17", rt::PictureValue(81457));
BENCHMARK_CAPTURE(BM_Format, t3, "@t3", rt::PictureValue(4500001));
BENCHMARK_CAPTURE(BM_Format, e12_3, "@e12.3", rt::PictureValue(D("1234.5")));

BENCHMARK_CAPTURE(BM_Deformat, n_14, "@n-14", "   -12,345,678");
BENCHMARK_CAPTURE(BM_Deformat, n5_2, "@n5.2", " 7.25");
BENCHMARK_CAPTURE(BM_Deformat, d6, "@d6", " 5/01/2024");
BENCHMARK_CAPTURE(BM_Deformat, d6_two_digit_year, "@d6", "5/1/24");
BENCHMARK_CAPTURE(BM_Deformat, t3, "@t3", "12:30PM");
BENCHMARK_CAPTURE(BM_Deformat, s60, "@s60", "GONZALEZ, MARIA ELENA");

void BM_Compile(benchmark::State& state) {
  const char* pictures[] = {"@n-14", "@n5.2B", "@s60", "@d6", "@t3", "@n$-12.2"};
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(rt::Picture::Compile(pictures[i++ % 6]));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compile);

// One screen of the grade-book list: legajo, name, twelve grades, final,
// subject, register, December, March, status, two absence marks.
void BM_BrowsePage(benchmark::State& state) {
  std::vector<rt::Picture> columns;
  std::vector<rt::PictureValue> row;
  columns.push_back(rt::Picture::Compile("@n-14"));
  row.emplace_back(40213);
  columns.push_back(rt::Picture::Compile("@s60"));
  row.emplace_back("GONZALEZ, MARIA ELENA");
  for (int i = 0; i < 12; ++i) {
    columns.push_back(rt::Picture::Compile("@n2B"));
    row.emplace_back(i % 3 == 0 ? rt::Decimal() : D("7.50"));
  }
  columns.push_back(rt::Picture::Compile("@n5.2B"));
  row.emplace_back(D("8.00"));
  for (int i = 0; i < 2; ++i) {
    columns.push_back(rt::Picture::Compile("@n-14"));
    row.emplace_back(1234);
  }
  for (int i = 0; i < 2; ++i) {
    columns.push_back(rt::Picture::Compile("@n-10.2"));
    row.emplace_back(D("6.25"));
  }
  columns.push_back(rt::Picture::Compile("@s20"));
  row.emplace_back("APRUEBA");
  const int rows = 20;
  for (auto _ : state) {
    for (int r = 0; r < rows; ++r) {
      for (size_t c = 0; c < columns.size(); ++c) {
        benchmark::DoNotOptimize(columns[c].Format(row[c]));
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * rows * static_cast<int64_t>(columns.size()));
  state.counters["cells_per_page"] = static_cast<double>(rows * columns.size());
}
BENCHMARK(BM_BrowsePage);

void BM_DecimalDivide(benchmark::State& state) {
  const rt::Decimal sum = D("23.00");
  for (auto _ : state) benchmark::DoNotOptimize(rt::Decimal::Divide(sum, 3, 2));
}
BENCHMARK(BM_DecimalDivide);

void BM_DecimalAdd(benchmark::State& state) {
  const rt::Decimal a = D("7.25"), b = D("8.5");
  for (auto _ : state) benchmark::DoNotOptimize(a + b);
}
BENCHMARK(BM_DecimalAdd);

void BM_DecimalPackedRoundTrip(benchmark::State& state) {
  const rt::Decimal v = D("-12345.67");
  std::uint8_t bytes[4];
  for (auto _ : state) {
    v.ToPacked(bytes, 2);
    benchmark::DoNotOptimize(rt::Decimal::FromPacked(bytes, 2));
  }
}
BENCHMARK(BM_DecimalPackedRoundTrip);

}  // namespace

BENCHMARK_MAIN();
