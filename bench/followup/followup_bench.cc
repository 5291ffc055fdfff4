// The "Contenidos" synchronisation (SyncFollowUp) beside the nested walks it
// replaces (the reference in tests/app/followup/nested_walk_sync.h: for
// every content and student a walk of the whole follow-up file, for every
// follow-up record a walk of the whole contents file), on the same files in
// the same run.
//
//   Course: one subject with 10 contents whose course has 1,000 students;
//           First: no follow-up records yet (10,000 are made);
//           Again: all 10,000 in place (nothing to do).
//   School: 10 courses of 30 students, 10 subjects per course and 10
//           contents per subject, every follow-up record in place (30,000);
//           one subject gets an 11th content (30 records are made).
//
// Each iteration starts from a fresh copy of the files; only the
// synchronisation is timed. The reference runs once per case (it takes
// minutes on the large cases).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "app/followup/sync_follow_up.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tests/app/followup/nested_walk_sync.h"

namespace {

namespace fs = std::filesystem;

void Set(rt::FileControlBlock& f, const char* label, int64_t v) { rt::setInteger(f, f.decl().findField(label), v); }
void Set(rt::FileControlBlock& f, const char* label, const std::string& v) {
  rt::setText(f, f.decl().findField(label), v);
}
void SetMemo(rt::FileControlBlock& f, const char* label, const std::string& v) {
  rt::setMemo(f, f.decl().findMemo(label), v);
}

// A school's files in a folder of its own, made once per shape.
struct Shape {
  int courses;
  int studentsPerCourse;
  int subjectsPerCourse;
  int contentsPerSubject;
  bool synchronised;  // every follow-up record already there
  bool newContent;    // the synchronised subject gets one more content
};

std::string ContentText(int subject, int k) {
  return "Contenido priorizado " + std::to_string(k + 1) + " de la materia " + std::to_string(subject);
}
std::string ContentMemo(int k) { return "Aprendizaje y trabajo esperado número " + std::to_string(k + 1); }

// Subject numbers are course * 100 + 1 .. ; the synchronised one is 101.
std::string MakeTemplate(const Shape& s) {
  char tmpl[] = "/tmp/followup_bench.XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  for (const rt::FileDeclPtr& decl : app::AllFileDecls()) {
    rt::FileControlBlock f(decl);
    f.name = dir + "/" + decl->name;
    if (rt::Create(f) != 0) return "";
    rt::Stream(f);
    int32_t legajo = 0, registro = 0;
    for (int c = 1; c <= s.courses; ++c) {
      for (int st = 0; st < s.studentsPerCourse; ++st) {
        ++legajo;
        const std::string name = "APELLIDO" + std::to_string((legajo * 7919) % 100000) + ", Nombre";
        if (decl->label == "QVALUAP") {
          f.clearBuffers();
          Set(f, "QVA:LEGAJO", legajo);
          Set(f, "QVA:APELLIDO_NOMBRE", name);
          Set(f, "QVA:COD_CURSO", c);
          rt::Add(f);
        }
        if (decl->label == "QVSEGUIR" && s.synchronised) {
          for (int m = 1; m <= s.subjectsPerCourse; ++m)
            for (int k = 0; k < s.contentsPerSubject; ++k) {
              f.clearBuffers();
              Set(f, "QVG:NRO_REGISTRO", ++registro);
              Set(f, "QVG:NRO_LEGAJO", legajo);
              Set(f, "QVG:COD_MATERIA", c * 100 + m);
              Set(f, "QVG:ALUMNO", name);
              Set(f, "QVG:CONTENIDO_PRIORIZADO", ContentText(c * 100 + m, k));
              SetMemo(f, "QVG:APRENDIZAJE_TRABAJO", ContentMemo(k));
              Set(f, "QVG:LOGRADO", std::string("X"));
              rt::Add(f);
            }
        }
      }
      if (decl->label == "QVAPRENDE") {
        for (int m = 1; m <= s.subjectsPerCourse; ++m) {
          const int extra = (s.newContent && c * 100 + m == 101) ? 1 : 0;
          for (int k = 0; k < s.contentsPerSubject + extra; ++k) {
            f.clearBuffers();
            Set(f, "QVAP:NRO_REGISTRO", ++registro);
            Set(f, "QVAP:COD_MATERIA", c * 100 + m);
            Set(f, "QVAP:COD_CURSO", c);
            Set(f, "QVAP:DOCENTE", std::string("DOCENTE DE LA MATERIA ") + std::to_string(c * 100 + m));
            Set(f, "QVAP:MATERIAS", std::string("Materia ") + std::to_string(c * 100 + m));
            Set(f, "QVAP:CONTENIDO_PRIORIZADO", ContentText(c * 100 + m, k));
            SetMemo(f, "QVAP:APRENDIZAJE_TRABAJO", ContentMemo(k));
            rt::Add(f);
          }
        }
      }
    }
    rt::Flush(f);
    rt::Close(f);
  }
  return dir;
}

const std::string& Template(int id, const Shape& s) {
  static std::map<int, std::string> made;
  auto it = made.find(id);
  if (it == made.end()) it = made.emplace(id, MakeTemplate(s)).first;
  return it->second;
}

void Run(benchmark::State& state, const Shape& shape, const std::function<app::SyncFollowUpResult()>& sync) {
  kestrel::RegisterKestrelDriver();
  static bool started = false;
  if (!started) {
    app::GlobalErrors.Init(fw::ThreadErrorStatus);
    app::AddAppMessages(app::GlobalErrors);
    started = true;
  }
  const std::string& from = Template(int(state.range(0)), shape);
  if (from.empty()) {
    state.SkipWithError("cannot make the school's files");
    return;
  }
  const std::string work = from + ".work";
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return;
  app::SyncFollowUpResult r;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(work, ec);
    fs::copy(from, work, ec);
    if (ec || chdir(work.c_str()) != 0) {
      state.SkipWithError("cannot copy the school's files");
      break;
    }
    app::ThreadStart();
    app::DctInit();
    rt::FileControlBlock& m = app::Access_QVMATERIAS->Block();
    rt::setInteger(m, m.decl().findField("QVM:NRO_REGISTRO"), 101);
    rt::setInteger(m, m.decl().findField("QVM:COD_CURSO"), 1);
    state.ResumeTiming();
    r = sync();
    state.PauseTiming();
    app::ThreadEnd();
    if (chdir(cwd) != 0) break;
    state.ResumeTiming();
  }
  state.counters["created"] = double(r.created);
  state.counters["deleted"] = double(r.deleted);
  std::error_code ec;
  fs::remove_all(work, ec);
}

const Shape kShapes[] = {
    {1, 1000, 1, 10, false, false},  // 0: Course, first synchronisation
    {1, 1000, 1, 10, true, false},   // 1: Course, again
    {10, 30, 10, 10, true, true},    // 2: School, one new content
};

void BM_SyncFollowUp(benchmark::State& state) { Run(state, kShapes[state.range(0)], app::SyncFollowUp); }
void BM_NestedWalks(benchmark::State& state) { Run(state, kShapes[state.range(0)], app::testing::NestedWalkSync); }

BENCHMARK(BM_SyncFollowUp)->ArgName("shape")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NestedWalks)->ArgName("shape")->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
