// The grade book (4399-byte rows, 12 keys) in Kestrel through the driver and
// in SQLite with the same rows and 12 indexes, at equal durability: SQLite
// with a rollback journal and synchronous=FULL, and with WAL for comparison.
//
//   load      20,000 rows in one transaction
//   get       one row by its primary key
//   subject   one subject's 30 rows in (subject, student name) order
//   grade     change one grade and commit
//   delete    delete one row and commit
//             (Kestrel: args cache pages, 0 the defined rule, and flushes,
//             0 answered at once by the fault-injection seam; SQLite: args
//             WAL and synchronous, 0 OFF: each commit's CPU beyond its flushes)
//   flushes   1 and 4 flushes alone (WAL's and Kestrel's per commit): a small
//             write and a flush each, in the same folder (the floor of a
//             commit's wall time, and its CPU to subtract)
//   memory    peak resident memory of a process loading N rows in one
//             transaction (20,000 and 200,000)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/driver/transaction.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/os/fault_injection.h"

namespace {

using namespace kestrel;

constexpr int kRows = 20000;
constexpr int kPerSubject = 30;
constexpr int kSubjects = (kRows + kPerSubject - 1) / kPerSubject;
constexpr uint16_t kRecordLength = 4399;

// Grade-book layout: the keyed fields first, then the grades, then the rest.
struct Layout {
  enum Field { REG, LEG, ORD, MAT, MATERIAS, SEXO, ALUMNO, ANUAL, FIN1, FIN2, FIN3, PROMEDIAEN, ETADO, ETAPA1, REST };
};

TableDef GradeBookDef() {
  TableDef d;
  d.record_length = kRecordLength;
  uint16_t off = 0;
  auto add = [&](FieldType t, const char* name, uint16_t size) {
    FieldDef f;
    f.type = t;
    f.offset = off;
    f.name = name;
    f.size = size;
    f.position = static_cast<uint16_t>(d.fields.size());
    if (IsText(t)) f.chars = size;
    if (IsDecimal(t)) {
      f.places = 2;
      f.element_size = static_cast<uint8_t>(size);
    }
    d.fields.push_back(f);
    off = static_cast<uint16_t>(off + size);
  };
  add(FieldType::kLong, "QVL:NRO_REGISTRO", 4);
  add(FieldType::kLong, "QVL:NRO_LEGAJO", 4);
  add(FieldType::kLong, "QVL:NRO_ORDEN", 4);
  add(FieldType::kLong, "QVL:COD_MATERIA", 4);
  add(FieldType::kString, "QVL:MATERIAS", 60);
  add(FieldType::kString, "QVL:SEXO", 1);
  add(FieldType::kString, "QVL:ALUMNO", 60);
  add(FieldType::kDecimal, "QVL:EVALUACION_ANUAL", 3);
  add(FieldType::kDecimal, "QVL:FINALETAPAI", 3);
  add(FieldType::kDecimal, "QVL:FINALETAPAII", 3);
  add(FieldType::kDecimal, "QVL:FINALETAPAIII", 3);
  add(FieldType::kString, "QVL:PROMEDIAEN", 10);
  add(FieldType::kString, "QVL:ETADO", 20);
  add(FieldType::kDecimal, "QVL:ETAPA1", 3);
  add(FieldType::kString, "QVL:RESTO", static_cast<uint16_t>(kRecordLength - off));
  using L = Layout;
  auto key = [&](const char* label, uint8_t attrs, std::initializer_list<int> comps, int descending_mask = 0) {
    KeyDef k;
    k.label = label;
    k.attributes = attrs;
    int i = 0;
    for (int c : comps) k.components.push_back({static_cast<uint16_t>(c), static_cast<uint16_t>((descending_mask >> i++) & 1)});
    d.keys.push_back(k);
  };
  const uint8_t dup = kKeyDuplicates | kKeyExcludeBlank;
  key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {L::REG});
  key("QVL:CLAVE_LEGAGO", dup, {L::LEG, L::ORD, L::MAT});
  key("QVL:CLAVE_MATERIA", dup, {L::MAT});
  key("QVL:CLAVE_ALFA_MATERIAS", dup, {L::MATERIAS, L::MAT});
  key("QVL:CLAVE_MATERIA_ORDEN_LEGAJO", dup, {L::MAT, L::REG, L::LEG});
  key("QVL:CLAVE_MATERIA_LEGAJOS", dup | kKeyNoCase, {L::MAT, L::LEG});
  key("QVL:CLAVE_MATERIA_SEXO_ALUMNO", dup, {L::MAT, L::SEXO, L::ALUMNO});
  key("QVL:CLAVE_MATERIA_SEXO_ALUMNO2", dup | kKeyNoCase, {L::MAT, L::SEXO, L::ALUMNO}, 0b010);
  key("QVL:CLAVE_CODMATERIA_ALUALFA", dup, {L::MAT, L::ALUMNO});
  key("QVL:CLAVE_RENDIMIENTO_ACADEMICO", kKeyDuplicates | kKeyNoCase, {L::ANUAL, L::FIN3, L::FIN2, L::FIN1}, 0b1111);
  key("QVL:CLAVE_PROMEDIAEN_LEGAJO", dup | kKeyNoCase, {L::PROMEDIAEN, L::LEG});
  key("QVL:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", dup | kKeyNoCase, {L::LEG, L::ETADO, L::ORD, L::MAT});
  return d;
}

constexpr int kPrimary = 0;
constexpr int kSubjectStudent = 8;

struct Row {
  int32_t reg, leg, ord, mat;
  std::string materias, sexo, alumno, promediaen, etado;
  int grade;
};

Row MakeRow(int i) {
  Row r;
  r.reg = i + 1;
  r.mat = i / kPerSubject + 1;
  r.ord = i % kPerSubject + 1;
  r.leg = 1000 + (i * 7919) % 50000;
  r.materias = "MATERIA " + std::to_string(r.mat);
  r.sexo = (i % 2) ? "F" : "M";
  r.alumno = "ALUMNO " + std::to_string((i * 31) % 9973) + " " + std::to_string(i);
  r.promediaen = (i % 3) ? "SI" : "NO";
  r.etado = "REGULAR";
  r.grade = 400 + i % 600;
  return r;
}

void PutText(std::string& b, size_t off, size_t n, const std::string& s) {
  std::string t = s.substr(0, n);
  t.resize(n, ' ');
  b.replace(off, n, t);
}

void PutGrade(std::string& b, size_t off, int hundredths) {
  // DECIMAL(5,2) in 3 bytes: sign nibble 0, then 5 digits.
  char d[8];
  std::snprintf(d, sizeof d, "%05d", hundredths % 100000);
  b[off] = static_cast<char>(d[0] - '0');
  b[off + 1] = static_cast<char>(((d[1] - '0') << 4) | (d[2] - '0'));
  b[off + 2] = static_cast<char>(((d[3] - '0') << 4) | (d[4] - '0'));
}

std::string RowBytes(const TableDef& d, const Row& r) {
  std::string b(kRecordLength, ' ');
  auto off = [&](int f) { return d.fields[f].offset; };
  Put32LE(&b[off(Layout::REG)], static_cast<uint32_t>(r.reg));
  Put32LE(&b[off(Layout::LEG)], static_cast<uint32_t>(r.leg));
  Put32LE(&b[off(Layout::ORD)], static_cast<uint32_t>(r.ord));
  Put32LE(&b[off(Layout::MAT)], static_cast<uint32_t>(r.mat));
  PutText(b, off(Layout::MATERIAS), 60, r.materias);
  PutText(b, off(Layout::SEXO), 1, r.sexo);
  PutText(b, off(Layout::ALUMNO), 60, r.alumno);
  for (int f : {Layout::ANUAL, Layout::FIN1, Layout::FIN2, Layout::FIN3, Layout::ETAPA1}) PutGrade(b, off(f), r.grade);
  PutText(b, off(Layout::PROMEDIAEN), 10, r.promediaen);
  PutText(b, off(Layout::ETADO), 20, r.etado);
  return b;
}

// Every scratch folder is removed at exit as well: the read fixtures live
// for the whole run and are never destroyed.
std::vector<std::string>& ScratchFolders() {
  static auto* folders = new std::vector<std::string>();
  return *folders;
}

std::string Scratch() {
  static const bool registered = [] {
    std::atexit([] {
      std::error_code ec;
      for (const std::string& d : ScratchFolders()) std::filesystem::remove_all(d, ec);
    });
    return true;
  }();
  (void)registered;
  char tmpl[] = "/tmp/krlbench.XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) std::abort();
  ScratchFolders().push_back(tmpl);
  return tmpl;
}

// --- Kestrel -------------------------------------------------------------------

std::unique_ptr<KestrelTable> KestrelLoad(const std::string& dir, int rows = kRows) {
  TableDeclaration decl;
  decl.name = dir + "/QVLIBRETA.KRL";
  decl.create = true;
  decl.layout = GradeBookDef();
  auto t = std::make_unique<KestrelTable>(decl);
  t->Create();
  t->Share();
  t->Logout();
  for (int i = 0; i < rows; ++i) {
    t->record() = RowBytes(*decl.layout, MakeRow(i));
    if (t->Add() != 0) std::abort();
  }
  if (!Transaction::Global().Commit().ok()) std::abort();
  return t;
}

// Reads and changes run on the file opened afresh after loading, as a
// program finds it: the load's pages do not stay cached, and the cache
// keeps to its limits from the first page read.
std::unique_ptr<KestrelTable> KestrelReopen(const std::string& dir) {
  KestrelLoad(dir).reset();
  TableDeclaration decl;
  decl.name = dir + "/QVLIBRETA.KRL";
  decl.layout = GradeBookDef();
  auto t = std::make_unique<KestrelTable>(decl);
  if (t->Share() != 0) std::abort();
  return t;
}

// `cache_pages`: most pages the file caches (0: the defined rule's 100).
struct KestrelFixture {
  explicit KestrelFixture(size_t cache_pages) {
    PhysicalFileList::SetCachePages(cache_pages);
    table = KestrelReopen(dir);
    PhysicalFileList::SetCachePages(0);
  }
  std::string dir = Scratch();
  std::unique_ptr<KestrelTable> table;
  ~KestrelFixture() {
    table.reset();
    std::filesystem::remove_all(dir);
  }
};

// Arg of the read and change benchmarks: the cache's size, 0 for the
// defined rule (20 to 100 pages), 1000 for what a larger one buys.
KestrelFixture& Kestrel(size_t cache_pages = 0) {
  static KestrelFixture* f = new KestrelFixture(0);
  static KestrelFixture* large = nullptr;
  if (cache_pages == 0) return *f;
  if (!large) large = new KestrelFixture(cache_pages);
  return *large;
}

void SetPrimary(KestrelTable& t, int reg) {
  t.record().assign(kRecordLength, ' ');
  Put32LE(&t.record()[0], static_cast<uint32_t>(reg));
}

void BM_KestrelLoad(benchmark::State& state) {
  for (auto _ : state) {
    const std::string dir = Scratch();
    { auto t = KestrelLoad(dir); }
    state.PauseTiming();
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(dir + "/QVLIBRETA.KRL")) / 1e6;
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}

// The load runs in a child process, whose peak resident set is its own:
// the benchmark process's fixtures do not count, and each load starts from
// a fresh process as a program's first load does. The child reports its
// resident set as it starts and its peak (VmHWM, which a fork starts at the
// resident set inherited; ru_maxrss would carry the parent's peak over).
long StatusKilobytes(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
  }
  std::fclose(f);
  return kb;
}

// Pages of a committed file: the pages of its size areas.
uint64_t FilePages(const std::string& path) {
  std::string bytes(kHeaderSize, '\0');
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  Header h;
  if (got != kHeaderSize || !Header::Decode(bytes, &h).ok()) return 0;
  uint64_t pages = 0;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (h.area_end[i] > h.area_start[i]) pages += (h.area_end[i] - h.area_start[i]) / static_cast<uint32_t>(i);
  }
  return pages;
}

void BM_KestrelLoadMemory(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const std::string dir = Scratch();
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
      close(fds[0]);
      long kb[3] = {StatusKilobytes("VmRSS"), 0, 0};
      {
        auto t = KestrelLoad(dir, rows);
        kb[2] = static_cast<long>(t->physicalFile()->store->spilledPages());
      }
      kb[1] = StatusKilobytes("VmHWM");
      if (write(fds[1], kb, sizeof kb) != sizeof kb) _exit(1);
      _exit(0);
    }
    close(fds[1]);
    long kb[3] = {-1, -1, -1};
    const bool reported = read(fds[0], kb, sizeof kb) == sizeof kb;
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !reported) {
      state.SkipWithError("load failed");
    }
    state.PauseTiming();
    state.counters["start_rss_MB"] = static_cast<double>(kb[0]) / 1024.0;
    state.counters["peak_rss_MB"] = static_cast<double>(kb[1]) / 1024.0;
    const auto bytes = std::filesystem::file_size(dir + "/QVLIBRETA.KRL");
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    // Pages written before the commit, against the file's size in pages
    // of the mean size class.
    state.counters["early_pages"] = static_cast<double>(kb[2]);
    state.counters["file_pages"] = static_cast<double>(FilePages(dir + "/QVLIBRETA.KRL"));
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}

void BM_KestrelGet(benchmark::State& state) {
  KestrelTable& t = *Kestrel(static_cast<size_t>(state.range(0))).table;
  std::mt19937 rng(1);
  for (auto _ : state) {
    SetPrimary(t, static_cast<int>(rng() % kRows) + 1);
    if (t.GetByKey(kPrimary) != 0) state.SkipWithError("get failed");
  }
}

void BM_KestrelSubject(benchmark::State& state) {
  KestrelTable& t = *Kestrel(static_cast<size_t>(state.range(0))).table;
  std::mt19937 rng(2);
  for (auto _ : state) {
    const int mat = static_cast<int>(rng() % (kSubjects - 1)) + 1;
    t.record().assign(kRecordLength, ' ');
    Put32LE(&t.record()[t.def().fields[Layout::MAT].offset], static_cast<uint32_t>(mat));
    t.SetKeyKey(kSubjectStudent);
    int n = 0;
    while (n < kPerSubject && t.Next() == 0) ++n;
    if (n != kPerSubject) state.SkipWithError("short subject");
  }
}

// Second arg 0: flushes answered at once (fault-injection seam), so that
// the CPU is the commit's beyond its flushes.
void BM_KestrelChangeGrade(benchmark::State& state) {
  KestrelTable& t = *Kestrel(static_cast<size_t>(state.range(0))).table;
  if (state.range(1) == 0) fault::Arm({.no_flushes = true});
  // Kept across repetitions: a repeated run must change grades again and
  // delete rows still there, not repeat the first run's no-ops or misses.
  static std::mt19937 rngs[2] = {std::mt19937(3), std::mt19937(3)};
  std::mt19937& rng = rngs[state.range(0) != 0];
  const size_t etapa = t.def().fields[Layout::ETAPA1].offset;
  double dirty = 0, io = 0;
  for (auto _ : state) {
    SetPrimary(t, static_cast<int>(rng() % kRows) + 1);
    if (t.GetByKey(kPrimary) != 0) state.SkipWithError("get failed");
    PutGrade(t.record(), etapa, static_cast<int>(rng() % 1000));
    // Inside a one-file transaction to see the dirty pages before the commit.
    t.Logout();
    if (t.Put() != 0) state.SkipWithError("put failed");
    dirty += static_cast<double>(t.physicalFile()->store->dirtyPages());
    const int64_t before = fault::OperationsSeen();
    Transaction::Global().Commit();
    io += static_cast<double>(fault::OperationsSeen() - before);
  }
  fault::Disarm();
  state.counters["dirty_pages"] = benchmark::Counter(dirty, benchmark::Counter::kAvgIterations);
  state.counters["writes_and_flushes"] = benchmark::Counter(io, benchmark::Counter::kAvgIterations);
}

void BM_KestrelDelete(benchmark::State& state) {
  KestrelTable& t = *Kestrel(static_cast<size_t>(state.range(0))).table;
  if (state.range(1) == 0) fault::Arm({.no_flushes = true});
  static int next = kRows;  // one file for both cache sizes
  for (auto _ : state) {
    SetPrimary(t, next--);
    if (t.GetByKey(kPrimary) != 0 || t.Delete() != 0) state.SkipWithError("delete failed");
  }
  fault::Disarm();
}

void BM_FlushesAlone(benchmark::State& state) {
  const std::string path = Kestrel().dir + "/flushes.bin";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  std::string block(512, 'x');
  for (auto _ : state) {
    for (int64_t i = 0; i < state.range(0); ++i) {
      if (::pwrite(fd, block.data(), block.size(), static_cast<off_t>(i * 4096)) != 512 || ::fdatasync(fd) != 0) {
        state.SkipWithError("flush failed");
      }
    }
  }
  ::close(fd);
  ::unlink(path.c_str());
}

// --- SQLite --------------------------------------------------------------------

const char* kSchema =
    "CREATE TABLE libreta(reg INTEGER, leg INTEGER, ord INTEGER, mat INTEGER, materias TEXT, sexo TEXT,"
    " alumno TEXT, anual INTEGER, fin1 INTEGER, fin2 INTEGER, fin3 INTEGER, promediaen TEXT, etado TEXT,"
    " etapa1 INTEGER, resto BLOB);"
    "CREATE UNIQUE INDEX k1 ON libreta(reg);"
    "CREATE INDEX k2 ON libreta(leg, ord, mat);"
    "CREATE INDEX k3 ON libreta(mat);"
    "CREATE INDEX k4 ON libreta(materias, mat);"
    "CREATE INDEX k5 ON libreta(mat, reg, leg);"
    "CREATE INDEX k6 ON libreta(mat, leg);"
    "CREATE INDEX k7 ON libreta(mat, sexo, alumno);"
    "CREATE INDEX k8 ON libreta(mat, sexo DESC, alumno COLLATE NOCASE);"
    "CREATE INDEX k9 ON libreta(mat, alumno);"
    "CREATE INDEX k10 ON libreta(anual DESC, fin3 DESC, fin2 DESC, fin1 DESC);"
    "CREATE INDEX k11 ON libreta(promediaen COLLATE NOCASE, leg);"
    "CREATE INDEX k12 ON libreta(leg, etado COLLATE NOCASE, ord, mat);";

void Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
    std::abort();
  }
}

sqlite3* SqliteLoad(const std::string& path, bool wal) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, wal ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;" : "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");
  Exec(db, kSchema);
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO libreta VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
  const std::string rest(kRecordLength - 212, ' ');
  for (int i = 0; i < kRows; ++i) {
    const Row r = MakeRow(i);
    sqlite3_bind_int(st, 1, r.reg);
    sqlite3_bind_int(st, 2, r.leg);
    sqlite3_bind_int(st, 3, r.ord);
    sqlite3_bind_int(st, 4, r.mat);
    sqlite3_bind_text(st, 5, r.materias.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 6, r.sexo.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 7, r.alumno.c_str(), -1, SQLITE_TRANSIENT);
    for (int c = 8; c <= 11; ++c) sqlite3_bind_int(st, c, r.grade);
    sqlite3_bind_text(st, 12, r.promediaen.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 13, r.etado.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 14, r.grade);
    sqlite3_bind_blob(st, 15, rest.data(), static_cast<int>(rest.size()), SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_DONE) std::abort();
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
  return db;
}

struct SqliteFixture {
  // Opened afresh after loading too, with an empty page cache.
  explicit SqliteFixture(bool wal) {
    sqlite3_close(SqliteLoad(dir + "/libreta.db", wal));
    if (sqlite3_open((dir + "/libreta.db").c_str(), &db) != SQLITE_OK) std::abort();
    Exec(db, "PRAGMA synchronous=FULL;");
  }
  ~SqliteFixture() {
    sqlite3_close(db);
    std::filesystem::remove_all(dir);
  }
  std::string dir = Scratch();
  sqlite3* db = nullptr;
};

SqliteFixture& Sqlite(bool wal) {
  static SqliteFixture* rollback = nullptr;
  static SqliteFixture* journal_wal = nullptr;
  SqliteFixture*& f = wal ? journal_wal : rollback;
  if (!f) f = new SqliteFixture(wal);
  return *f;
}

void BM_SqliteLoad(benchmark::State& state) {
  for (auto _ : state) {
    const std::string dir = Scratch();
    sqlite3_close(SqliteLoad(dir + "/libreta.db", state.range(0) != 0));
    state.PauseTiming();
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}

// Reads every column of the current row, as the driver fills the whole buffer.
void ReadRow(sqlite3_stmt* st, benchmark::State& state) {
  for (int c = 0; c < 15; ++c) benchmark::DoNotOptimize(sqlite3_column_blob(st, c));
  (void)state;
}

void BM_SqliteGet(benchmark::State& state) {
  sqlite3* db = Sqlite(state.range(0) != 0).db;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM libreta WHERE reg=?", -1, &st, nullptr);
  std::mt19937 rng(1);
  for (auto _ : state) {
    sqlite3_bind_int(st, 1, static_cast<int>(rng() % kRows) + 1);
    if (sqlite3_step(st) != SQLITE_ROW) state.SkipWithError("get failed");
    ReadRow(st, state);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

void BM_SqliteSubject(benchmark::State& state) {
  sqlite3* db = Sqlite(state.range(0) != 0).db;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM libreta WHERE mat>=? ORDER BY mat, alumno LIMIT 30", -1, &st, nullptr);
  std::mt19937 rng(2);
  for (auto _ : state) {
    sqlite3_bind_int(st, 1, static_cast<int>(rng() % (kSubjects - 1)) + 1);
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ReadRow(st, state);
      ++n;
    }
    if (n != kPerSubject) state.SkipWithError("short subject");
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

// Second arg 0: synchronous=OFF, the commit without its flushes.
void SqliteSync(sqlite3* db, bool on) { Exec(db, on ? "PRAGMA synchronous=FULL;" : "PRAGMA synchronous=OFF;"); }

void BM_SqliteChangeGrade(benchmark::State& state) {
  sqlite3* db = Sqlite(state.range(0) != 0).db;
  SqliteSync(db, state.range(1) != 0);
  sqlite3_stmt* get = nullptr;
  sqlite3_stmt* put = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM libreta WHERE reg=?", -1, &get, nullptr);
  sqlite3_prepare_v2(db, "UPDATE libreta SET etapa1=? WHERE reg=?", -1, &put, nullptr);
  static std::mt19937 rngs[2] = {std::mt19937(3), std::mt19937(3)};
  std::mt19937& rng = rngs[state.range(0) != 0];
  for (auto _ : state) {
    const int reg = static_cast<int>(rng() % kRows) + 1;
    sqlite3_bind_int(get, 1, reg);
    if (sqlite3_step(get) != SQLITE_ROW) state.SkipWithError("get failed");
    ReadRow(get, state);
    sqlite3_reset(get);
    sqlite3_bind_int(put, 1, static_cast<int>(rng() % 1000));
    sqlite3_bind_int(put, 2, reg);
    if (sqlite3_step(put) != SQLITE_DONE) state.SkipWithError("update failed");
    sqlite3_reset(put);
  }
  sqlite3_finalize(get);
  sqlite3_finalize(put);
  SqliteSync(db, true);
}

void BM_SqliteDelete(benchmark::State& state) {
  sqlite3* db = Sqlite(state.range(0) != 0).db;
  SqliteSync(db, state.range(1) != 0);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "DELETE FROM libreta WHERE reg=?", -1, &st, nullptr);
  static int nexts[2] = {kRows, kRows};
  int& next = nexts[state.range(0) != 0];
  for (auto _ : state) {
    sqlite3_bind_int(st, 1, next--);
    if (sqlite3_step(st) != SQLITE_DONE || sqlite3_changes(db) != 1) state.SkipWithError("delete failed");
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  SqliteSync(db, true);
}

// First, while this process is still small: a forked child starts with its pages.
BENCHMARK(BM_KestrelLoadMemory)->Arg(20000)->Arg(200000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KestrelLoad)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteLoad)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KestrelGet)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteGet)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KestrelSubject)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteSubject)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
// Each engine's commit beside the CPU of its flushes alone (Kestrel's one-file
// commit flushes 4 times, WAL's once): what a commit costs beyond them.
BENCHMARK(BM_FlushesAlone)->Arg(1)->Arg(4)->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KestrelChangeGrade)->Args({0, 1})->Args({1000, 1})->Args({0, 0})->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteChangeGrade)->Args({0, 1})->Args({1, 1})->Args({1, 0})->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KestrelDelete)->Args({0, 1})->Args({1000, 1})->Args({0, 0})->Args({1000, 0})->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteDelete)->Args({0, 1})->Args({1, 1})->Args({1, 0})->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
