// The page store beside SQLite on the same machine and record sizes: one
// table keyed by an integer, rows of 4399 and of 60 bytes. Kestrel keys are
// data-record keys (table number, 0xF3, big-endian id) added through the
// insert cursor, the way the driver adds rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 100000;

std::string Dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/kestrel_bench_XXXXXX";
    std::string d = mkdtemp(tmpl);
    std::atexit([] { fs::remove_all(Dir()); });
    return d;
  }();
  return dir;
}

std::string MakeRow(uint32_t id, size_t length) {
  std::string row(length, '\0');
  uint32_t x = id * 2654435761u + 1;
  for (char& c : row) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>('a' + x % 26);  // text-like, not runs
  }
  return row;
}

// Generating 440 MB of text took most of a bulk insert on both sides, so
// rows come from a prepared set: a row's bytes still differ from its
// neighbours', and each store is timed on storing, not on making, them.
const std::string& Row(uint32_t id, size_t length) {
  constexpr uint32_t kDistinct = 509;
  static std::map<size_t, std::vector<std::string>> pools;
  std::vector<std::string>& pool = pools[length];
  if (pool.empty()) {
    for (uint32_t i = 0; i < kDistinct; ++i) pool.push_back(MakeRow(i, length));
  }
  return pool[id % kDistinct];
}

std::string DataKey(uint32_t id) {
  std::string k;
  Append32BE(&k, 1);
  k.push_back(static_cast<char>(0xF3));
  Append32BE(&k, id);
  return k;
}

std::unique_ptr<PageStore> OpenKestrel(const std::string& path) {
  std::unique_ptr<PageStore> s;
  PageStore::OpenOptions o;
  o.mode = kAccessReadWrite | kDenyNone;
  o.create = true;
  if (!PageStore::Open(path, o, &s).ok()) abort();
  return s;
}

void KestrelFill(PageStore& s, size_t row_length, int count) {
  s.BeginOperation();
  s.BeginWriteCycle();
  for (int i = 1; i <= count; ++i) {
    if (!s.InsertAppend(Record(DataKey(i), Row(i, row_length))).ok()) abort();
  }
  if (!s.EndOperation().ok()) abort();
}

sqlite3* OpenSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) abort();
  sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS t(id INTEGER PRIMARY KEY, data BLOB)", nullptr, nullptr, nullptr);
  return db;
}

void SqliteFill(sqlite3* db, size_t row_length, int count) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?, ?)", -1, &st, nullptr);
  for (int i = 1; i <= count; ++i) {
    const std::string& row = Row(i, row_length);
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_blob(st, 2, row.data(), static_cast<int>(row.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) abort();
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) abort();
}

// Each timed bulk insert starts with nothing left to write back: hundreds of
// MB of an earlier iteration's dirty pages would otherwise be flushed while
// the next one writes, on whichever side happens to run next.
void Settle(const std::string& path) {
  fs::remove(path);
  sync();
}

// Files filled once per row size and reused by the read benchmarks.
const std::string& Filled(bool kestrel, size_t row_length) {
  static std::map<std::pair<bool, size_t>, std::string> files;
  auto& path = files[{kestrel, row_length}];
  if (path.empty()) {
    path = Dir() + (kestrel ? "/read_" : "/read_sqlite_") + std::to_string(row_length);
    fs::remove(path);
    if (kestrel) {
      KestrelFill(*OpenKestrel(path), row_length, kRecords);
    } else {
      sqlite3* db = OpenSqlite(path);
      SqliteFill(db, row_length, kRecords);
      sqlite3_close(db);
    }
  }
  return path;
}

void BM_BulkInsert_Kestrel(benchmark::State& state) {
  const size_t row = static_cast<size_t>(state.range(0));
  const std::string path = Dir() + "/bulk.krl";
  for (auto _ : state) {
    state.PauseTiming();
    Settle(path);
    auto s = OpenKestrel(path);
    state.ResumeTiming();
    KestrelFill(*s, row, kRecords);
    state.PauseTiming();  // closing is left out on both sides
    s.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_BulkInsert_SQLite(benchmark::State& state) {
  const size_t row = static_cast<size_t>(state.range(0));
  const std::string path = Dir() + "/bulk.db";
  for (auto _ : state) {
    state.PauseTiming();
    Settle(path);
    sqlite3* db = OpenSqlite(path);
    state.ResumeTiming();
    SqliteFill(db, row, kRecords);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// One operation per lookup, as the driver does.
void BM_Lookup_Kestrel(benchmark::State& state) {
  auto s = OpenKestrel(Filled(true, static_cast<size_t>(state.range(0))));
  std::mt19937 rng(1);
  Cursor c;
  for (auto _ : state) {
    bool found = false;
    s->BeginOperation();
    if (!s->Find(DataKey(1 + rng() % kRecords), &c, &found).ok() || !found) abort();
    benchmark::DoNotOptimize(c.value().data());
    s->EndOperation();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Lookup_SQLite(benchmark::State& state) {
  sqlite3* db = OpenSqlite(Filled(false, static_cast<size_t>(state.range(0))));
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT data FROM t WHERE id = ?", -1, &st, nullptr);
  std::mt19937 rng(1);
  for (auto _ : state) {
    sqlite3_bind_int(st, 1, static_cast<int>(1 + rng() % kRecords));
    if (sqlite3_step(st) != SQLITE_ROW) abort();
    std::string row(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
    benchmark::DoNotOptimize(row.data());
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

void BM_Scan_Kestrel(benchmark::State& state) {
  auto s = OpenKestrel(Filled(true, static_cast<size_t>(state.range(0))));
  for (auto _ : state) {
    s->BeginOperation();
    Cursor c;
    bool found = false;
    int n = 0;
    if (!s->FindAtLeast(DataKey(0), &c, &found).ok()) abort();
    while (found) {
      benchmark::DoNotOptimize(c.value().data());
      ++n;
      if (!s->Next(&c, &found).ok()) abort();
    }
    s->EndOperation();
    if (n != kRecords) abort();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Scan_SQLite(benchmark::State& state) {
  sqlite3* db = OpenSqlite(Filled(false, static_cast<size_t>(state.range(0))));
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT id, data FROM t ORDER BY id", -1, &st, nullptr);
  for (auto _ : state) {
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::string row(static_cast<const char*>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1));
      benchmark::DoNotOptimize(row.data());
      ++n;
    }
    sqlite3_reset(st);
    if (n != kRecords) abort();
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// One record per commit, durable (flushed) each time.
void BM_SingleCommit_Kestrel(benchmark::State& state) {
  const size_t row = static_cast<size_t>(state.range(0));
  const std::string path = Dir() + "/single.krl";
  fs::remove(path);
  auto s = OpenKestrel(path);
  KestrelFill(*s, row, 1000);
  uint32_t id = 1000;
  for (auto _ : state) {
    ++id;
    s->BeginOperation();
    s->BeginWriteCycle();
    if (!s->InsertAppend(Record(DataKey(id), Row(id, row))).ok()) abort();
    if (!s->EndOperation().ok()) abort();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_SingleCommit_SQLite(benchmark::State& state) {
  const size_t row_length = static_cast<size_t>(state.range(0));
  const std::string path = Dir() + "/single.db";
  fs::remove(path);
  sqlite3* db = OpenSqlite(path);
  SqliteFill(db, row_length, 1000);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?, ?)", -1, &st, nullptr);
  int id = 1000;
  for (auto _ : state) {
    ++id;
    const std::string& row = Row(id, row_length);
    sqlite3_bind_int(st, 1, id);
    sqlite3_bind_blob(st, 2, row.data(), static_cast<int>(row.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) abort();
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

#define ROWS ->Arg(4399)->Arg(60)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_BulkInsert_Kestrel) ROWS->Iterations(2);
BENCHMARK(BM_BulkInsert_SQLite) ROWS->Iterations(2);
BENCHMARK(BM_Lookup_Kestrel)->Arg(4399)->Arg(60);
BENCHMARK(BM_Lookup_SQLite)->Arg(4399)->Arg(60);
BENCHMARK(BM_Scan_Kestrel) ROWS;
BENCHMARK(BM_Scan_SQLite) ROWS;
BENCHMARK(BM_SingleCommit_Kestrel)->Arg(4399)->Arg(60)->Iterations(200);
BENCHMARK(BM_SingleCommit_SQLite)->Arg(4399)->Arg(60)->Iterations(200);

}  // namespace
}  // namespace kestrel

BENCHMARK_MAIN();
