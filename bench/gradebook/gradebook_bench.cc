// What the history of grade changes costs a grade commit: the same change
// of one grade in a 5,000-row grade book committed alone, and committed
// with its history record in one transaction over both files, with a
// history already 200,000 records long (a few school years of changes).
//
// Counters per commit: pages of each file the commit writes (its dirty
// pages when it commits), the history's most in one commit, and the
// operating system's writes plus flushes of the whole commit.
//
// On a slow disk (every flush 8 ms longer, through the fault-injection
// seam, as a spinning disk empties its cache): the wall time of a grade row
// saved with its history, and of "Salir" on a 40-row subject (each row
// saved with its history in a transaction of its own, one after another).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_history.h"
#include "runtime/core/decimal.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/os/fault_injection.h"

namespace {

constexpr int kRows = 5000;
constexpr int kHistory = 200000;
constexpr int kBatch = 10000;

struct School {
  std::string dir;
  std::unique_ptr<rt::FileControlBlock> book;
  std::unique_ptr<app::GradeHistory> history;
  std::vector<uint32_t> ids;
  int etapa1 = -1;
  bool ok = false;

  School() {
    char tmpl[] = "/tmp/gradebook_bench.XXXXXX";
    dir = ::mkdtemp(tmpl);
    history = std::make_unique<app::GradeHistory>(dir);
    book = std::make_unique<rt::FileControlBlock>(app::QVLIBRETADecl());
    book->name = dir + "/QVLIBRETA.KRL";
    etapa1 = book->decl().findField("QVL:ETAPA1");
    ok = Fill();
  }
  ~School() {
    rt::Close(*book);
    history->Close();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  bool Fill() {
    if (rt::Create(*book) != 0) return false;
    rt::Close(*book);
    if (rt::Open(*book, rt::kAccessReadWrite | rt::kShareDenyNone) != 0 || history->Open() != 0) return false;
    const rt::FileDecl& d = book->decl();
    if (rt::Logout(10, {book.get()}) != 0) return false;
    for (int s = 1; s <= kRows; ++s) {
      book->clearBuffers();
      rt::setInteger(*book, d.findField("QVL:NRO_REGISTRO"), s);
      rt::setInteger(*book, d.findField("QVL:NRO_LEGAJO"), s);
      rt::setInteger(*book, d.findField("QVL:COD_MATERIA"), 1 + s / 30);
      rt::setText(*book, d.findField("QVL:ALUMNO"), "Alumno " + std::to_string(s));
      if (rt::Add(*book) != 0) return false;
      ids.push_back(rt::Pointer(*book));
    }
    if (rt::Commit() != 0) return false;
    // An old history: one changed field per record, as saves leave them.
    rt::FileControlBlock& h = history->Block();
    const rt::FileDecl& hd = h.decl();
    for (int done = 0; done < kHistory; done += kBatch) {
      if (rt::Logout(10, {&h}) != 0) return false;
      for (int i = 0; i < kBatch; ++i) {
        h.clearBuffers();
        rt::setInteger(h, hd.findField("QVH:COD_MATERIA"), 1 + (done + i) % kRows / 30);
        rt::setInteger(h, hd.findField("QVH:NRO_LEGAJO"), (done + i) % kRows + 1);
        rt::setText(h, hd.findField("QVH:CAMPO"), "QVL:ETAPA1");
        rt::setText(h, hd.findField("QVH:NUEVO"), "8.00");
        if (rt::Add(h) != 0) return false;
      }
      if (rt::Commit() != 0) return false;
    }
    return true;
  }

  // Changes Eval. 1 of a random row to a grade it does not hold yet.
  void ChangeGrade(std::mt19937& rng) {
    const rt::Decimal old = rt::getDecimal(*book, etapa1).value_or(0);
    rt::Decimal grade;
    do {
      grade = rt::Decimal(static_cast<int64_t>(rng() % 1001)).ScaledByPowerOfTen(-2);
    } while (grade == old);
    rt::setDecimal(*book, etapa1, grade);
  }
};

School& TheSchool() {
  static School school;
  return school;
}

// The pages a commit of this file would write now.
double DirtyPages(const std::string& path) {
  std::shared_ptr<kestrel::PhysicalFile> f;
  if (!kestrel::PhysicalFileList::Global().Acquire(path, 0x42, false, true, &f).ok()) return -1;
  const double n = static_cast<double>(f->store->dirtyPages());
  kestrel::PhysicalFileList::Global().Release(f);
  return n;
}

void BM_GradeCommit(benchmark::State& state) {
  School& s = TheSchool();
  if (!s.ok) return state.SkipWithError("set-up failed");
  static std::mt19937 rng(1);
  double book_pages = 0, io = 0;
  for (auto _ : state) {
    const uint32_t id = s.ids[rng() % s.ids.size()];
    if (rt::Logout(10, {s.book.get()}) != 0 || rt::GetById(*s.book, id) != 0) return state.SkipWithError("get");
    s.ChangeGrade(rng);
    if (rt::Put(*s.book) != 0) return state.SkipWithError("put");
    book_pages += DirtyPages(s.book->name);
    const int64_t before = kestrel::fault::OperationsSeen();
    if (rt::Commit() != 0) return state.SkipWithError("commit");
    io += static_cast<double>(kestrel::fault::OperationsSeen() - before);
  }
  state.counters["book_pages"] = benchmark::Counter(book_pages, benchmark::Counter::kAvgIterations);
  state.counters["history_pages"] = 0;
  state.counters["writes_and_flushes"] = benchmark::Counter(io, benchmark::Counter::kAvgIterations);
}

void BM_GradeCommitWithHistory(benchmark::State& state) {
  School& s = TheSchool();
  if (!s.ok) return state.SkipWithError("set-up failed");
  static std::mt19937 rng(2);
  const app::GradeAuthor author{.dni = 20333444, .program = {}};
  double book_pages = 0, history_pages = 0, history_max = 0, over_one = 0, io = 0;
  std::vector<uint8_t> before;
  for (auto _ : state) {
    const uint32_t id = s.ids[rng() % s.ids.size()];
    if (rt::Logout(10, {s.book.get(), &s.history->Block()}) != 0 || rt::GetById(*s.book, id) != 0) {
      return state.SkipWithError("get");
    }
    before = s.book->record;
    s.ChangeGrade(rng);
    if (rt::Put(*s.book) != 0) return state.SkipWithError("put");
    if (s.history->Append(before, s.book->record, author) != 0 || s.history->appended() != 1) {
      return state.SkipWithError("history");
    }
    book_pages += DirtyPages(s.book->name);
    const double h = DirtyPages(s.history->path());
    history_pages += h;
    history_max = std::max(history_max, h);
    if (h > 1) over_one += 1;
    const int64_t ops = kestrel::fault::OperationsSeen();
    if (rt::Commit() != 0) return state.SkipWithError("commit");
    io += static_cast<double>(kestrel::fault::OperationsSeen() - ops);
  }
  state.counters["book_pages"] = benchmark::Counter(book_pages, benchmark::Counter::kAvgIterations);
  state.counters["history_pages"] = benchmark::Counter(history_pages, benchmark::Counter::kAvgIterations);
  state.counters["history_pages_max"] = history_max;
  state.counters["commits_over_one"] = benchmark::Counter(over_one, benchmark::Counter::kAvgIterations);
  state.counters["writes_and_flushes"] = benchmark::Counter(io, benchmark::Counter::kAvgIterations);
}

// One row of the grade book saved with its history, as the follow-up
// window saves it.
bool SaveRowWithHistory(School& s, uint32_t id, std::mt19937& rng) {
  static const app::GradeAuthor author{.dni = 20333444, .program = {}};
  if (rt::Logout(10, {s.book.get(), &s.history->Block()}) != 0 || rt::GetById(*s.book, id) != 0) return false;
  const std::vector<uint8_t> before = s.book->record;
  s.ChangeGrade(rng);
  return rt::Put(*s.book) == 0 && s.history->Append(before, s.book->record, author) == 0 && rt::Commit() == 0;
}

void BM_SlowDiskSave(benchmark::State& state) {
  School& s = TheSchool();
  if (!s.ok) return state.SkipWithError("set-up failed");
  const int rows = static_cast<int>(state.range(0));
  static std::mt19937 rng(3);
  kestrel::fault::Arm({.flush_delay_us = 8000});
  for (auto _ : state) {
    // A subject's rows lie side by side, as "Salir" walks them.
    const size_t first = rng() % (s.ids.size() - static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      if (!SaveRowWithHistory(s, s.ids[first + static_cast<size_t>(r)], rng)) {
        kestrel::fault::Disarm();
        return state.SkipWithError("save");
      }
    }
  }
  state.counters["flushes_per_row"] =
      benchmark::Counter(static_cast<double>(kestrel::fault::FlushesSeen()) / rows, benchmark::Counter::kAvgIterations);
  kestrel::fault::Disarm();
}

BENCHMARK(BM_GradeCommit)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_GradeCommitWithHistory)->Unit(benchmark::kMicrosecond)->Iterations(2000);
// Arg: rows saved one after another (1: a row from the grid; 40: "Salir").
BENCHMARK(BM_SlowDiskSave)->Arg(1)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlowDiskSave)->Arg(40)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
