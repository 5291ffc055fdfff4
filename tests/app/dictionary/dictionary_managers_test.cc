// The thread's dictionary: managers made and dropped in order, the per-file
// classes at work on real files, and the program body.
#include <unistd.h>

#include <thread>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/files.h"
#include "app/dictionary/globals.h"
#include "app/dictionary/program.h"
#include "framework/data/files_manager.h"
#include "runtime/core/message_presenter.h"
#include "runtime/view/bindings.h"
#include "school_files.h"

namespace app {
namespace {

using testing::ScratchDir;

struct References {
  fw::FileManager* access;
  fw::RelationManager* relate;
  rt::DeclaredFile* file;
  const char* label;
};

std::vector<References> AllReferences() {
  return {{Access_QVLIBRETA, Relate_QVLIBRETA, &QVLIBRETA(), "QVLIBRETA"},
          {Access_QVAPRENDE, Relate_QVAPRENDE, &QVAPRENDE(), "QVAPRENDE"},
          {Access_QVMATERIAS, Relate_QVMATERIAS, &QVMATERIAS(), "QVMATERIAS"},
          {Access_QVALUAP, Relate_QVALUAP, &QVALUAP(), "QVALUAP"},
          {Access_QVSEGUIR, Relate_QVSEGUIR, &QVSEGUIR(), "QVSEGUIR"}};
}

// Collects the messages shown instead of showing them.
class QuietPresenter : public rt::MessagePresenter {
 public:
  QuietPresenter() { previous_ = rt::setMessagePresenter(this); }
  ~QuietPresenter() override { rt::setMessagePresenter(previous_); }
  uint32_t show(const rt::MessageRequest& r) override {
    shown.push_back(r.text);
    return r.defaultButton;
  }
  std::vector<std::string> shown;

 private:
  rt::MessagePresenter* previous_;
};

// Runs each test in a scratch directory, where the files are found by name.
class DictionaryManagersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrel::RegisterKestrelDriver();
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    GlobalErrors.Init(fw::ThreadErrorStatus);
  }
  void TearDown() override {
    DctKill();
    EXPECT_EQ(chdir(cwd_), 0);
  }

  char cwd_[4096];
  ScratchDir dir_;
  QuietPresenter presenter_;
};

TEST_F(DictionaryManagersTest, DctInitSetsEveryReferenceAndDctKillClearsThem) {
  DctInit();
  for (const References& r : AllReferences()) {
    ASSERT_NE(r.access, nullptr) << r.label;
    ASSERT_NE(r.relate, nullptr) << r.label;
    EXPECT_EQ(r.relate->Me, r.access) << r.label;
    EXPECT_EQ(r.access->File, r.file) << r.label;
    EXPECT_EQ(r.access->GetName(), r.label);
    EXPECT_EQ(r.access->Errors, &GlobalErrors);
    EXPECT_TRUE(r.relate->Relations && r.relate->Relations->empty()) << r.label;  // no relations
    EXPECT_TRUE(r.relate->UseLogout);
    EXPECT_EQ(fw::ThreadFilesManager().GetFileMapping(fw::FilesManager::GetFileId(r.file)), r.access);
  }
  // A file is not opened until a procedure opens it.
  EXPECT_FALSE(QVLIBRETA().instance().open);
  DctKill();
  for (const References& r : AllReferences()) {
    EXPECT_EQ(r.access, nullptr) << r.label;
    EXPECT_EQ(r.relate, nullptr) << r.label;
    EXPECT_EQ(fw::ThreadFilesManager().GetFileMapping(fw::FilesManager::GetFileId(r.file)), nullptr);
  }
  DctKill();  // a second one finds nothing to do
}

TEST_F(DictionaryManagersTest, KeysAreRegisteredAndOnlyTheFollowUpIsNumbered) {
  DctInit();
  for (const References& r : AllReferences()) {
    ASSERT_EQ(r.access->UseFile(fw::kUseInit), fw::Level::Benign) << r.label;
    const rt::FileDecl& d = r.file->decl();
    ASSERT_EQ(r.access->Keys.size(), d.keys.size()) << r.label;
    for (size_t k = 0; k < d.keys.size(); ++k) {
      EXPECT_EQ(r.access->Keys[k].Description, d.keys[k].label);
      const bool numbered = std::string(r.label) == "QVSEGUIR" && k == 0;
      EXPECT_EQ(r.access->Keys[k].AutoInc, numbered ? 1 : 0) << d.keys[k].label;
    }
    EXPECT_TRUE(r.access->Create);
    EXPECT_EQ(r.access->LockRecover, 10);
  }
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(DictionaryManagersTest, MissingFilesAreCreatedAndRecordsNumberedOnlyInTheFollowUp) {
  DctInit();
  ASSERT_EQ(Relate_QVSEGUIR->Open(), fw::Level::Benign);
  ASSERT_EQ(Relate_QVAPRENDE->Open(), fw::Level::Benign);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Access_QVSEGUIR->PrimeRecord(), fw::Level::Benign);
    testing::SetText(Access_QVSEGUIR->Block(), "QVG:CONTENIDO_PRIORIZADO", "Fracciones");
    ASSERT_EQ(Access_QVSEGUIR->Insert(), fw::Level::Benign);
    EXPECT_EQ(testing::Value(Access_QVSEGUIR->Block(), "QVG:NRO_REGISTRO"), std::to_string(i + 1));

    ASSERT_EQ(Access_QVAPRENDE->PrimeRecord(), fw::Level::Benign);
    ASSERT_EQ(Access_QVAPRENDE->Insert(), fw::Level::Benign);
    EXPECT_EQ(testing::Value(Access_QVAPRENDE->Block(), "QVAP:NRO_REGISTRO"), "0");
  }
  // The memos are known to the evaluator by name once the file is in use.
  rt::BindingPtr memo = rt::threadBindings().Find("qvg:aprendizaje_trabajo");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->source.kind, rt::BoundSource::Kind::kMemo);
  EXPECT_EQ(memo->source.memo, 1);
  EXPECT_NE(rt::threadBindings().Find("QVAP:APRENDIZAJE_TRABAJO"), nullptr);
  EXPECT_NE(rt::threadBindings().Find("QVG:LOGRADO"), nullptr);
  EXPECT_EQ(Relate_QVSEGUIR->Close(), fw::Level::Benign);
  EXPECT_EQ(Relate_QVAPRENDE->Close(), fw::Level::Benign);
  DctKill();
  EXPECT_EQ(rt::threadBindings().Find("QVG:OBSPPI"), nullptr);  // gone with the managers
  EXPECT_FALSE(QVSEGUIR().instance().open);
  EXPECT_TRUE(presenter_.shown.empty()) << presenter_.shown[0];
  EXPECT_EQ(access("QVSEGUIR.KRL", F_OK), 0);
  EXPECT_EQ(access("QVAPRENDE.KRL", F_OK), 0);
}

TEST_F(DictionaryManagersTest, GradeUpdateCarriesTheUnusedFieldsUnchanged) {
  DctInit();
  ASSERT_EQ(Relate_QVLIBRETA->Open(), fw::Level::Benign);
  rt::FileControlBlock& book = Access_QVLIBRETA->Block();
  ASSERT_EQ(Access_QVLIBRETA->PrimeRecord(), fw::Level::Benign);
  testing::SetInt(book, "QVL:NRO_LEGAJO", 1001);
  testing::SetInt(book, "QVL:COD_MATERIA", 5);
  testing::SetText(book, "QVL:OBSERVACION15", std::string(255, 'o'));
  testing::SetText(book, "QVL:CUALIFICA7", "MB");
  testing::SetDec(book, "QVL:EXTRA20", "-12.25");
  testing::SetInt(book, "QVL:CANTIDAD", -3);
  ASSERT_EQ(Access_QVLIBRETA->Insert(), fw::Level::Benign);
  const std::vector<uint8_t> written = book.record;

  book.clearBuffers();
  testing::SetInt(book, "QVL:COD_MATERIA", 5);
  testing::SetInt(book, "QVL:NRO_LEGAJO", 1001);
  ASSERT_EQ(Access_QVLIBRETA->Fetch(QVLIBRETADecl()->findKey("QVL:CLAVE_MATERIA_LEGAJOS")), fw::Level::Benign);
  Relate_QVLIBRETA->Save();
  testing::SetDec(book, "QVL:ETAPA1", "8");
  ASSERT_EQ(Relate_QVLIBRETA->Update(), fw::Level::Benign);

  book.clearBuffers();
  testing::SetInt(book, "QVL:COD_MATERIA", 5);
  testing::SetInt(book, "QVL:NRO_LEGAJO", 1001);
  ASSERT_EQ(Access_QVLIBRETA->Fetch(QVLIBRETADecl()->findKey("QVL:CLAVE_MATERIA_LEGAJOS")), fw::Level::Benign);
  EXPECT_EQ(testing::Value(book, "QVL:ETAPA1"), "8.00");
  const rt::FieldDecl& grade = QVLIBRETADecl()->fields[QVLIBRETADecl()->findField("QVL:ETAPA1")];
  std::vector<uint8_t> expected = written;
  std::copy(book.record.begin() + grade.offset, book.record.begin() + grade.offset + grade.size,
            expected.begin() + grade.offset);
  EXPECT_EQ(book.record, expected);  // every other byte as written
  EXPECT_EQ(Relate_QVLIBRETA->Close(), fw::Level::Benign);
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(DictionaryManagersTest, AnotherThreadGetsItsOwnDictionary) {
  DctInit();
  fw::FileManager* mine = Access_QVLIBRETA;
  fw::FileManager* theirs = nullptr;
  bool cleared_at_start = false;
  std::thread t([&] {
    cleared_at_start = Access_QVLIBRETA == nullptr;
    {
      ThreadObjects objects;  // DctInit runs here: not the main thread
      theirs = Access_QVLIBRETA;
      EXPECT_NE(Relate_QVSEGUIR, nullptr);
      EXPECT_EQ(GlobalRequest, 0);
    }
    EXPECT_EQ(Access_QVLIBRETA, nullptr);
    EXPECT_EQ(Relate_QVSEGUIR, nullptr);
  });
  t.join();
  EXPECT_TRUE(cleared_at_start);
  EXPECT_NE(theirs, nullptr);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(Access_QVLIBRETA, mine);
}

class FakeDrag : public FullWindowDragSetting {
 public:
  explicit FakeDrag(int32_t value) : value_(value) {}
  int32_t Query() override {
    calls.push_back("query");
    return value_;
  }
  void Set(int32_t value, int32_t* data, uint32_t flags) override {
    EXPECT_EQ(data, &lAdjFDSetting);
    EXPECT_EQ(flags, 3u);
    calls.push_back("set " + std::to_string(value));
  }
  std::vector<std::string> calls;

 private:
  int32_t value_;
};

TEST_F(DictionaryManagersTest, ProgramBodyRunsItsStepsAroundMain) {
  for (int32_t setting : {1, 0}) {
    FakeDrag drag(setting);
    bool ran = false;
    RunProgram([&] {
      ran = true;
      drag.calls.push_back("main");
      EXPECT_TRUE(FuzzyMatcher.initialized());
      EXPECT_EQ(FuzzyMatcher.GetOption(1), 1);
      EXPECT_EQ(FuzzyMatcher.GetOption(2), 0);
      EXPECT_EQ(INIMgr.FileName, "QVAPP.INI");
      EXPECT_NE(Relate_QVLIBRETA, nullptr);
      EXPECT_NE(Access_QVSEGUIR, nullptr);
    }, &drag);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(FuzzyMatcher.initialized());
    const std::vector<std::string> expected =
        setting == 1 ? std::vector<std::string>{"query", "set 0", "main", "set 1"}
                     : std::vector<std::string>{"query", "main"};
    EXPECT_EQ(drag.calls, expected);
    DctKill();
  }
  // Without the setting (this platform) the body still runs.
  bool ran = false;
  RunProgram([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(AuxiliarDocenteTest, IsEightyCharactersPadded) {
  EXPECT_EQ(AUXILIAR_DOCENTE, std::string(80, ' '));
  SetAuxiliarDocente("VEGA, M\xF3nica");
  EXPECT_EQ(AUXILIAR_DOCENTE, "VEGA, M\xF3nica" + std::string(68, ' '));
  SetAuxiliarDocente(std::string(90, 'x'));
  EXPECT_EQ(AUXILIAR_DOCENTE, std::string(80, 'x'));
  SetAuxiliarDocente("");
}

}  // namespace
}  // namespace app
