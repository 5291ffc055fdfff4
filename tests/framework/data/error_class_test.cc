#include "framework/data/error_class.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "error_fixture.h"
#include "runtime/core/error_fatal.h"
#include "runtime/core/error_state.h"

namespace {

using fw::ErrorClass;
using fw::Level;
using fwtest::ErrorManagerTest;

// Ids above the built-in table's, for messages made up by the tests.
constexpr uint16_t kTestId = 900;

TEST_F(ErrorManagerTest, FillsPlaceholdersFromTheThreadStatus) {
  errors.SetFile("QVLIBRETA   ");
  errors.SetKey("QVL:CLAVE_PRIMARIA ");
  errors.SetField("QVL:ETAPA1");
  errors.SetMessageText("texto");
  errors.SetProcedureName("Main");
  rt::postFileError("QVLIBRETA.KRL", "Bad page", "1234");
  rt::postError(35);
  struct Case {
    const char* message;
    std::string expected;
  } cases[] = {
      {"%FileErrorCode|%FileError|%File", "1234|Bad page|QVLIBRETA"},
      {"%file %KEY %fIeLd", "QVLIBRETA QVL:CLAVE_PRIMARIA QVL:ETAPA1"},
      {"%ErrorCode: %ErrorText / %Error", "35: Record Not Found (35) / Record Not Found"},
      {"%Message in %Procedure, %Category", "texto in Main, ZOR"},
      {"nothing to fill %", "nothing to fill %"},
  };
  for (const Case& c : cases) {
    errors.AddError(kTestId, c.message, "T", Level::Notify);
    presenter.shown.clear();
    EXPECT_EQ(errors.Throw(kTestId), Level::Notify);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, c.expected) << c.message;
  }
}

TEST_F(ErrorManagerTest, DriverErrorCodesShowTheDriversMessage) {
  errors.AddError(kTestId, "Error: %ErrorText", "T", Level::Notify);
  for (int32_t code : {90, 100}) {
    rt::postFileError("QVSEGUIR.KRL", "Disk full", "112");
    rt::postError(code);
    presenter.shown.clear();
    errors.Throw(kTestId);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Error: Disk full (112)") << code;
  }
}

TEST_F(ErrorManagerTest, ValuesHoldingPlaceholdersAreNotExpandedAgain) {
  errors.SetFile("%File%FILE");
  errors.SetMessageText("100% %Message");
  errors.AddError(kTestId, "%File / %Message", "T", Level::Notify);
  errors.Throw(kTestId);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "%File%FILE / 100% %Message");
}

TEST_F(ErrorManagerTest, TakeErrorKeepsTheRecordedRuntimeError) {
  errors.AddError(kTestId, "%ErrorCode", "T", Level::Notify);
  rt::postError(35);
  errors.Throw(kTestId);
  rt::postError(33);
  errors.TakeError(kTestId);   // reports what Throw recorded
  errors.ThrowMessage(kTestId, "x  ");  // records again
  auto shown = boxes();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "35");
  EXPECT_EQ(shown[1].text, "35");
  EXPECT_EQ(shown[2].text, "33");
  EXPECT_EQ(fw::ThreadErrorStatus().MessageText, "x");
}

TEST_F(ErrorManagerTest, PreviousIsTheMessageReportedBefore) {
  errors.AddError(kTestId, "then: %Previous", "T", Level::Notify);
  errors.SetFile("F");
  errors.TakeError(30);
  errors.TakeError(kTestId);
  auto shown = boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "then: %File key file is invalid. Key must be rebuilt.");
  EXPECT_EQ(fw::ThreadErrorStatus().PrevErrorId, 30);
}

TEST_F(ErrorManagerTest, LaterEntriesOverrideAndRemovalRestores) {
  errors.SetFile("QVALUAP");
  errors.AddError(30, "Mine: %File", "Mine", Level::Notify);
  errors.Throw(30);
  errors.RemoveError(30);
  errors.Throw(30);
  errors.RemoveError(30);
  errors.RemoveError(30);  // nothing left
  auto shown = boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Mine");
  EXPECT_EQ(shown[0].text, "Mine: QVALUAP");
  EXPECT_EQ(shown[1].caption, "Invalid Key");
  EXPECT_EQ(shown[1].text, "QVALUAP key file is invalid. Key must be rebuilt.");
  EXPECT_EQ(assertions().size(), 2u);  // identifier not found, unable to delete
  EXPECT_NE(assertions().back().find("Unable to delete error id :30"), std::string::npos);
}

TEST_F(ErrorManagerTest, LevelDecidesWhatIsShownAndReturned) {
  struct Case {
    Level level;
    uint32_t answer;  // 0: the default button
    Level result;
    bool shown;
    uint32_t icon;
    uint32_t buttons;
  } cases[] = {
      {Level::User, rt::Button_Yes, Level::Benign, true, rt::Icon_Question, rt::Button_Yes | rt::Button_No},
      {Level::User, rt::Button_No, Level::Cancel, true, rt::Icon_Question, rt::Button_Yes | rt::Button_No},
      {Level::User, 0, Level::Benign, true, rt::Icon_Question, rt::Button_Yes | rt::Button_No},
      {Level::Cancel, rt::Button_No, Level::Cancel, true, rt::Icon_Question, rt::Button_Yes | rt::Button_No},
      {Level::Notify, 0, Level::Notify, true, rt::Icon_Exclamation, rt::Button_Ok},
      {Level::Benign, 0, Level::Benign, false, 0, 0},
  };
  errors.SetMsgStyle(7);
  for (const Case& c : cases) {
    errors.AddError(kTestId, "question", "Caption", c.level);
    presenter.shown.clear();
    presenter.answer = c.answer;
    EXPECT_EQ(errors.TakeError(kTestId), c.result) << int(c.level) << "/" << c.answer;
    auto shown = boxes();
    ASSERT_EQ(shown.size(), c.shown ? 1u : 0u);
    if (!c.shown) continue;
    EXPECT_EQ(shown[0].caption, "Caption");
    EXPECT_EQ(shown[0].icon, c.icon);
    EXPECT_EQ(shown[0].buttons, c.buttons);
    EXPECT_EQ(shown[0].defaultButton, c.buttons & rt::Button_Yes ? rt::Button_Yes : rt::Button_Ok);
    EXPECT_EQ(shown[0].style, 7u);
  }
}

// Fatal handlers end the program; recording them shows which one ran.
class RecordingErrors : public ErrorClass {
 public:
  Level TakeFatal() override {
    calls.push_back("fatal");
    return Level::Fatal;
  }
  Level TakeProgram() override {
    calls.push_back("program");
    return ErrorClass::TakeProgram();
  }
  uint32_t HistoryMsg(std::string_view caption, uint32_t icon, uint32_t buttons,
                      uint32_t defaultButton) override {
    calls.push_back("history:" + std::string(caption) + ":" + std::to_string(CopyHistory().size()));
    (void)icon, (void)buttons;
    return defaultButton == rt::Button_Ok ? rt::Button_Help : defaultButton;
  }
  std::vector<std::string> calls;
};

TEST(ErrorClassHandlers, ProgramAndUnknownLevelsGoThroughTheOverrides) {
  fwtest::ScriptedPresenter presenter;
  RecordingErrors errors;
  errors.Init(fw::ThreadErrorStatus);
  errors.AddError(kTestId, "p", "T", Level::Program);
  errors.AddError(kTestId + 1, "o", "T", Level(9));
  errors.AddError(kTestId + 2, "f", "T", Level::Fatal);
  EXPECT_EQ(errors.TakeError(kTestId), Level::Fatal);
  EXPECT_EQ(errors.TakeError(kTestId + 1), Level::Fatal);
  EXPECT_EQ(errors.TakeError(kTestId + 2), Level::Fatal);
  EXPECT_EQ(errors.calls, (std::vector<std::string>{"program", "fatal", "program", "fatal", "fatal"}));
}

TEST(ErrorClassDeathTest, FatalShowsTheMessageAndEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto fatal = [] {
    rt::setMessagePresenter(nullptr);  // the standard-error presenter
    ErrorClass errors;
    errors.Init(fw::ThreadErrorStatus);
    errors.SetFile("QVMATERIAS");
    rt::postError(2);
    errors.Throw(26);
  };
  EXPECT_EXIT(fatal(), ::testing::ExitedWithCode(rt::kFatalExitCode),
              "\\[File Access Error\\] File QVMATERIAS could not be opened.  Error: .*"
              "  Press OK to end this application\n\\[Halt\\] File Access Error");
  auto silentFatal = [] {
    rt::setMessagePresenter(nullptr);
    ErrorClass errors;
    errors.Init(fw::ThreadErrorStatus);
    errors.SetSilent(true);
    errors.TakeError(12);
  };
  EXPECT_EXIT(silentFatal(), ::testing::ExitedWithCode(rt::kFatalExitCode), ::testing::IsEmpty());
}

TEST_F(ErrorManagerTest, UnknownIdentifierAssertsAndShowsNothingElse) {
  errors.AddError(kTestId, "x", "T", Level::Notify);
  errors.TakeError(kTestId);
  presenter.shown.clear();
  EXPECT_EQ(errors.TakeError(4242), Level::Benign);
  EXPECT_EQ(errors.Message(4242, rt::Button_Yes | rt::Button_No, rt::Button_No), rt::Button_No);
  EXPECT_TRUE(boxes().empty());
  ASSERT_EQ(assertions().size(), 2u);
  EXPECT_NE(assertions()[0].find("Identifier not found."), std::string::npos);
  EXPECT_EQ(errors.GetErrorBufferId(), 0);
  EXPECT_EQ(errors.GetErrorBufferTitle(), "");
  EXPECT_EQ(fw::ThreadErrorStatus().PrevErrorId, 0);  // the empty entry came in between
}

TEST_F(ErrorManagerTest, MessageAsksWithTheGivenButtons) {
  errors.SetFile("QVALUAP");
  presenter.answer = rt::Button_Cancel;
  const uint32_t buttons = rt::Button_Yes | rt::Button_No | rt::Button_Cancel;
  EXPECT_EQ(errors.Message(40, buttons, rt::Button_Yes), rt::Button_Cancel);
  auto shown = boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "End of File Error");
  EXPECT_EQ(shown[0].text,
            "The end of the file QVALUAP was encountered. Do you want to start again from the "
            "beginning?");
  EXPECT_EQ(shown[0].icon, rt::Icon_Question);
  EXPECT_EQ(shown[0].buttons, buttons);
  EXPECT_EQ(shown[0].defaultButton, rt::Button_Yes);
}

TEST_F(ErrorManagerTest, SilentShowsNothingAndAnswersTheDefault) {
  errors.SetSilent(true);
  EXPECT_EQ(errors.Message(11, rt::Button_Yes | rt::Button_No, rt::Button_No), rt::Button_No);
  presenter.answer = rt::Button_No;
  EXPECT_EQ(errors.TakeError(11), Level::Benign);  // a question's default is Yes
  EXPECT_EQ(errors.TakeError(7), Level::Notify);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ErrorManagerTest, HistoryKeepsTheLastEntriesWithoutShowingThem) {
  errors.SetHistoryThreshold(3);
  errors.SetCategory(8, "Files");
  for (uint16_t id : {4, 6, 7, 8, 13}) errors.TakeError(id);
  EXPECT_TRUE(presenter.shown.empty());  // Notify is not the view level
  auto history = errors.CopyHistory();
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0].Id, 7);
  EXPECT_EQ(history[0].Txt, "This record was changed by another station.");
  EXPECT_EQ(history[0].Category, "ZOR");
  EXPECT_EQ(history[1].Id, 8);
  EXPECT_EQ(history[1].Category, "Files");
  EXPECT_EQ(history[2].Id, 13);

  errors.SetHistoryThreshold(-1);  // unlimited
  for (int i = 0; i < 10; ++i) errors.TakeError(7);
  EXPECT_EQ(errors.CopyHistory().size(), 13u);
  errors.ResetHistory();
  EXPECT_TRUE(errors.CopyHistory().empty());
}

TEST(ErrorClassHistory, ViewLevelShowsTheHistoryDialogInstead) {
  fwtest::ScriptedPresenter presenter;
  RecordingErrors errors;
  errors.Init(fw::ThreadErrorStatus);
  errors.SetHistoryThreshold(5);
  errors.SetHistoryViewLevel(int32_t(Level::Notify));
  errors.SetHistoryResetOnView(true);
  errors.TakeError(7);
  errors.TakeError(37);  // User: recorded, not shown; the default answer Yes
  EXPECT_EQ(errors.calls, (std::vector<std::string>{"history:Record Was Not Updated:1"}));
  EXPECT_EQ(errors.CopyHistory().size(), 1u);  // emptied after the dialog, then one more
  EXPECT_EQ(errors.ViewHistory(), rt::Button_Help);
  EXPECT_EQ(errors.calls.back(), "history:Errors History:1");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ErrorManagerTest, CategoriesFallBackToTheDefault) {
  EXPECT_EQ(errors.GetDefaultCategory(), "ZOR");
  EXPECT_EQ(errors.GetCategory(30), "ZOR");
  EXPECT_EQ(errors.GetCategory(4242), "ZOR");  // unknown: no assertion
  errors.SetCategory(30, "Keys");
  errors.SetCategory(ErrorClass::kDefaultCategoryId, "QV");
  EXPECT_EQ(errors.GetCategory(30), "Keys");
  EXPECT_EQ(errors.GetCategory(29), "QV");
  EXPECT_EQ(errors.GetCategory(ErrorClass::kDefaultCategoryId), "QV");
  EXPECT_TRUE(assertions().empty());
  errors.SetCategory(4242, "X");
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Identifier not found."), std::string::npos);
}

TEST_F(ErrorManagerTest, ProcedureNamesStackPerThread) {
  EXPECT_EQ(errors.GetProcedureName(), "");
  errors.SetProcedureName("Main  ");
  errors.SetProcedureName("Ventana_Seguimiento_Notas");
  std::string other = "unset";
  std::thread t([&] {
    other = errors.GetProcedureName();
    errors.SetProcedureName("Hilo");
    errors.SetProcedureName();
  });
  t.join();
  EXPECT_EQ(other, "");
  EXPECT_EQ(errors.GetProcedureName(), "Ventana_Seguimiento_Notas");
  errors.SetProcedureName();
  EXPECT_EQ(errors.GetProcedureName(), "Main");
  errors.SetProcedureName("");  // an unnamed procedure still pops
  errors.SetProcedureName();
  EXPECT_EQ(errors.GetProcedureName(), "Main");
  errors.SetProcedureName();
  errors.SetProcedureName();  // empty stack: nothing to pop
  EXPECT_EQ(errors.GetProcedureName(), "");
}

// Collects messages from several threads.
class LockedPresenter : public rt::MessagePresenter {
 public:
  LockedPresenter() { previous_ = rt::setMessagePresenter(this); }
  ~LockedPresenter() override { rt::setMessagePresenter(previous_); }
  uint32_t show(const rt::MessageRequest& r) override {
    std::lock_guard<std::mutex> g(mu);
    texts.push_back(r.text);
    return r.defaultButton;
  }
  std::mutex mu;
  std::vector<std::string> texts;

 private:
  rt::MessagePresenter* previous_;
};

TEST(ErrorClassThreads, ThreadsReportWithTheirOwnStatus) {
  LockedPresenter presenter;
  ErrorClass errors;
  errors.Init(fw::ThreadErrorStatus);
  errors.AddError(kTestId, "%File %ErrorCode %Procedure", "T", Level::Notify);
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(-1);  // history on, dialog never
  constexpr int kRounds = 200;
  auto worker = [&](std::string name, int32_t code) {
    errors.SetProcedureName(name);
    for (int i = 0; i < kRounds; ++i) {
      errors.SetFile(name);
      rt::postError(code);
      errors.Throw(kTestId);
    }
    errors.SetProcedureName();
  };
  std::thread a(worker, "A", 33), b(worker, "B", 35);
  a.join();
  b.join();
  auto history = errors.CopyHistory();
  ASSERT_EQ(history.size(), size_t(2 * kRounds));
  for (const auto& h : history) EXPECT_TRUE(h.Txt == "A 33 A" || h.Txt == "B 35 B") << h.Txt;
  EXPECT_TRUE(presenter.texts.empty());
}

TEST(ErrorClassLifecycle, MisuseAssertsWithoutCrashing) {
  fwtest::ScriptedPresenter presenter;
  ErrorClass errors;
  errors.Init();  // no status bound
  ASSERT_FALSE(presenter.shown.empty());
  EXPECT_NE(presenter.shown[0].text.find("ErrorClass not correctly initialized with Status"),
            std::string::npos);
  errors.Init(fw::ThreadErrorStatus);
  errors.Kill();
  presenter.shown.clear();
  EXPECT_EQ(errors.TakeError(30), Level::Benign);  // no table: asserts, shows nothing else
  errors.SetProcedureName("X");
  errors.AddHistory({});
  ASSERT_EQ(presenter.shown.size(), 3u);
  for (const auto& r : presenter.shown) EXPECT_EQ(r.caption, "Assertion failed");
  errors.Init();  // set up again after Kill
  presenter.shown.clear();
  errors.SetFile("F");
  EXPECT_EQ(errors.Throw(30), Level::Notify);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].caption, "Invalid Key");
}

TEST_F(ErrorManagerTest, AddErrorsLoadsABlockAfterTheDefaults) {
  auto block = fw::MakeErrorBlock({{30, "Clave %File inválida", "Clave", Level::Notify, {}},
                                   {kTestId, "nuevo", "Nuevo", Level::User, {}}});
  errors.AddErrors(block);
  errors.SetFile("QVAPRENDE");
  errors.Throw(30);
  presenter.answer = rt::Button_No;
  EXPECT_EQ(errors.Throw(kTestId), Level::Cancel);
  auto shown = boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Clave QVAPRENDE inválida");
  EXPECT_EQ(shown[1].caption, "Nuevo");

  block.pop_back();
  errors.AddErrors(block);
  ASSERT_EQ(assertions().size(), 1u);
  fw::ErrorEntryGroup entry;
  EXPECT_EQ(errors.GetErrorEntry(30, entry), Level::Benign);
  EXPECT_EQ(entry.Title, "Clave");  // the whole entry of the cut block was appended again
}

TEST_F(ErrorManagerTest, StatusCopiesOutWhole) {
  errors.SetField("QVL:ETAPA1");
  rt::postFileError("QVLIBRETA.KRL", "Disk full", "112");
  rt::postError(90);
  errors.Throw(7);
  fw::ErrorStatusGroup group;
  errors.GetAllStatusVariables(group);
  EXPECT_EQ(group.FieldName, "QVL:ETAPA1");
  EXPECT_EQ(group.SaveErrorCode, 90);
  EXPECT_EQ(group.SaveFileError, "Disk full");
  EXPECT_EQ(group.SaveFileErrorCode, "112");
  EXPECT_EQ(group.ErrorBuffer.Id, 7);
  EXPECT_EQ(group.ErrorBuffer.Title, "Record Was Not Updated");
  EXPECT_EQ(errors.GetErrorBufferFatality(), Level::Notify);
}

}  // namespace
