// Small schools for the follow-up synchronisation: students, contents and
// follow-up records described as rows, written as the program's Kestrel
// files into a scratch folder, and QVSEGUIR read back as one line per
// record (every field and memo, in record order) so that two folders can
// be compared and a failure shows what differs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/message_presenter.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace app::testing {

struct StudentRow {
  int32_t legajo;
  std::string name;
  int32_t curso;
};

struct ContentRow {
  int32_t registro;
  int32_t materia;
  std::string text;
  std::string memo;
  int32_t curso = 0;
  std::string docente = "PEREYRA GOMEZ, Maria Alejandra del Carmen";  // longer than 20
  int32_t codDocente = 77;
  std::string materias = "Lengua y Literatura";
};

struct FollowUpRow {
  int32_t legajo;
  int32_t materia;
  std::string text;
  std::string memo;
  std::string logrado = {};    // what the teacher typed
  std::string enproceso = {};  // fields the program never sets
  std::string ppi = {};
  std::string obsppi = {};
};

struct School {
  std::vector<StudentRow> students;
  std::vector<ContentRow> contents;
  std::vector<FollowUpRow> followUps;  // numbered 1, 2, ... in this order
};

inline void Set(rt::FileControlBlock& f, const char* label, int64_t v) {
  ASSERT_TRUE(rt::setInteger(f, f.decl().findField(label), v)) << label;
}
inline void Set(rt::FileControlBlock& f, const char* label, const std::string& v) {
  ASSERT_TRUE(rt::setText(f, f.decl().findField(label), v)) << label;
}
inline void SetMemo(rt::FileControlBlock& f, const char* label, const std::string& v) {
  ASSERT_TRUE(rt::setMemo(f, f.decl().findMemo(label), v)) << label;
}

// Writes the school's files (all five, the grade book and subjects empty)
// into `dir`.
inline void WriteSchool(const std::string& dir, const School& s) {
  kestrel::RegisterKestrelDriver();
  for (const rt::FileDeclPtr& decl : AllFileDecls()) {
    rt::FileControlBlock f(decl);
    f.name = dir + "/" + decl->name;
    ASSERT_EQ(rt::Create(f), 0) << f.name;
    auto add = [&](const std::function<void()>& fill) {
      f.clearBuffers();
      fill();
      ASSERT_EQ(rt::Add(f), 0) << decl->label;
    };
    if (decl->label == "QVALUAP") {
      for (const StudentRow& r : s.students) add([&] {
        Set(f, "QVA:LEGAJO", r.legajo);
        Set(f, "QVA:APELLIDO_NOMBRE", r.name);
        Set(f, "QVA:COD_CURSO", r.curso);
      });
    } else if (decl->label == "QVAPRENDE") {
      for (const ContentRow& r : s.contents) add([&] {
        Set(f, "QVAP:NRO_REGISTRO", r.registro);
        Set(f, "QVAP:COD_MATERIA", r.materia);
        Set(f, "QVAP:COD_CURSO", r.curso);
        Set(f, "QVAP:COD_DOCENTE", r.codDocente);
        Set(f, "QVAP:MATERIAS", r.materias);
        Set(f, "QVAP:DOCENTE", r.docente);
        Set(f, "QVAP:CONTENIDO_PRIORIZADO", r.text);
        SetMemo(f, "QVAP:APRENDIZAJE_TRABAJO", r.memo);
      });
    } else if (decl->label == "QVSEGUIR") {
      int32_t n = 0;
      for (const FollowUpRow& r : s.followUps) add([&] {
        Set(f, "QVG:NRO_REGISTRO", ++n);
        Set(f, "QVG:NRO_LEGAJO", r.legajo);
        Set(f, "QVG:COD_MATERIA", r.materia);
        Set(f, "QVG:CONTENIDO_PRIORIZADO", r.text);
        Set(f, "QVG:LOGRADO", r.logrado);
        Set(f, "QVG:ENPROCESO", r.enproceso);
        Set(f, "QVG:PPI", r.ppi);
        SetMemo(f, "QVG:OBSPPI", r.obsppi);
        SetMemo(f, "QVG:APRENDIZAJE_TRABAJO", r.memo);
      });
    }
    rt::Close(f);
  }
}

// QVSEGUIR of `dir`, one line per record in record order:
// "LABEL=value|..." over every field, then the memos.
inline std::vector<std::string> DumpFollowUps(const std::string& dir) {
  std::vector<std::string> lines;
  rt::FileControlBlock f(QVSEGUIRDecl());
  f.name = dir + "/" + f.decl().name;
  EXPECT_EQ(rt::Open(f, rt::kAccessRead | rt::kShareDenyNone), 0) << f.name;
  rt::SetFile(f);
  while (rt::Next(f) == 0) {
    std::string line;
    for (size_t i = 0; i < f.decl().fields.size(); ++i)
      line += f.decl().fields[i].label + "=" + rt::getValueText(rt::FieldRef{&f, int(i), 0}).value_or("?") + "|";
    for (size_t i = 0; i < f.decl().memos.size(); ++i) {
      std::string m = rt::getMemo(f, int(i)).value_or("?");
      while (!m.empty() && m.back() == ' ') m.pop_back();
      line += f.decl().memos[i].label + "=" + m + "|";
    }
    lines.push_back(std::move(line));
  }
  rt::Close(f);
  return lines;
}

// The value of `label` in a dumped line ("" when absent).
inline std::string FieldOf(const std::string& line, const std::string& label) {
  const std::string tag = label + "=";
  size_t at = line.find(tag);
  if (at == std::string::npos) return "";
  at += tag.size();
  std::string v = line.substr(at, line.find('|', at) - at);
  while (!v.empty() && v.back() == ' ') v.pop_back();
  return v;
}

// Keeps what the program would have shown; a question offering No gets No
// (a user who gives up rather than retrying for ever).
class RecordingPresenter : public rt::MessagePresenter {
 public:
  uint32_t show(const rt::MessageRequest& r) override {
    shown.push_back(r.text);
    return (r.buttons & rt::Button_No) ? uint32_t(rt::Button_No) : r.defaultButton;
  }
  std::vector<std::string> shown;
};

// A scratch folder per test and the program's start-up for each run in it.
class SyncSchool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    char tmpl[] = "/tmp/qvsync.XXXXXX";
    root_ = ::mkdtemp(tmpl);
    GlobalErrors.Init(fw::ThreadErrorStatus);
    AddAppMessages(GlobalErrors);
    previous_ = rt::setMessagePresenter(&presenter_);
  }
  void TearDown() override {
    rt::setMessagePresenter(previous_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // A new folder under the scratch root with the school's files.
  std::string MakeFolder(const std::string& name, const School& s) {
    std::string dir = root_ + "/" + name;
    std::filesystem::create_directory(dir);
    WriteSchool(dir, s);
    return dir;
  }

  // Runs `work` in `dir` as the follow-up window would: the thread's
  // dictionary up and the subject (number, course) in the QVMATERIAS buffer.
  void RunIn(const std::string& dir, int32_t subject, int32_t course, const std::function<void()>& work) {
    ASSERT_EQ(chdir(dir.c_str()), 0);
    ThreadStart();
    DctInit();
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    rt::setInteger(m, m.decl().findField("QVM:NRO_REGISTRO"), subject);
    rt::setInteger(m, m.decl().findField("QVM:COD_CURSO"), course);
    work();
    ThreadEnd();
    ASSERT_EQ(chdir(cwd_), 0);
  }

  std::string root_;
  RecordingPresenter presenter_;

 private:
  char cwd_[4096];
  rt::MessagePresenter* previous_ = nullptr;
};

}  // namespace app::testing
