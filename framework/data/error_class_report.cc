// Reporting: placeholder filling, the level handlers and the display path.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/data/error_class.h"
#include "framework/data/error_replace.h"
#include "framework/data/history_viewer.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_fatal.h"
#include "runtime/core/error_state.h"
#include "runtime/core/message_presenter.h"
#include "runtime/core/picture.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"
#include "runtime/core/trim.h"

namespace fw {

namespace {

constexpr char kHaltCaption[] = "Halt";
constexpr char kFatalSuffix[] = "  Press OK to end this application";

std::string cut(std::string_view s) { return std::string(rt::trimRight(s).substr(0, kStatusTextMax)); }

// Shows the title once more (unless silent) and ends the program the way the
// runtime ends it after a fatal error: through the window engine's hook when
// one is installed, with the fatal exit code (a fatal error is not a success).
[[noreturn]] void halt(const std::string& title, bool silent) {
  if (!silent) {
    try {
      rt::MessageRequest request;
      request.caption = kHaltCaption;
      request.text = title;
      request.icon = rt::Icon_Hand;
      rt::showMessage(request);
    } catch (...) {
      std::fprintf(stderr, "[%s] %s\n", kHaltCaption, title.c_str());
    }
  }
  // setProgramEnd is the only way to read the installed hook.
  rt::ProgramEnd end = rt::setProgramEnd(nullptr);
  rt::setProgramEnd(end);
  if (end) end(rt::kFatalExitCode);
  std::fflush(nullptr);
  std::_Exit(rt::kFatalExitCode);
}

}  // namespace

// ---- status ----

void ErrorClass::SetFile(std::string_view name) { Stat().SetFileName(rt::trimRight(name)); }
void ErrorClass::SetKey(std::string_view name) { Stat().SetKeyName(rt::trimRight(name)); }
void ErrorClass::SetField(std::string_view name) { Stat().SetFieldName(rt::trimRight(name)); }
void ErrorClass::SetMessageText(std::string_view text) { Stat().SetMessageText(text); }

void ErrorClass::SetErrors() {
  ErrorStatusClass& s = Stat();
  s.SaveErrorCode = rt::ERRORCODE();
  s.SaveError = cut(rt::Error());
  s.SaveFileErrorCode = cut(rt::FileErrorCode());
  s.SaveFileError = cut(rt::FileError());
}

// ---- reporting ----

Level ErrorClass::Throw(uint16_t id) {
  SetErrors();
  return TakeError(id);
}

Level ErrorClass::ThrowFile(uint16_t id, std::string_view fileName) {
  SetFile(fileName);
  return Throw(id);
}

Level ErrorClass::ThrowMessage(uint16_t id, std::string_view text) {
  SetMessageText(rt::trimRight(text));
  return Throw(id);
}

Level ErrorClass::TakeError(uint16_t id) {
  StoreErrorEntry(id);
  switch (uint8_t(Stat().ErrorBuffer.Fatality)) {
    case uint8_t(Level::Benign):
      return TakeBenign();
    case uint8_t(Level::User):
    case uint8_t(Level::Cancel):
      return TakeUser();
    case uint8_t(Level::Program):
      return TakeProgram();
    case uint8_t(Level::Fatal):
      return TakeFatal();
    case uint8_t(Level::Notify):
      TakeNotify();
      return Level::Notify;
    default:
      return TakeOther();
  }
}

std::string ErrorClass::SubsString() {
  const ErrorStatusClass& s = Stat();
  std::string text = s.ErrorBuffer.Message.substr(0, kMessageTextMax);
  const std::string code = std::to_string(s.SaveErrorCode);
  const std::string_view error = rt::trimRight(s.SaveError);
  const std::string_view fileError = rt::trimRight(s.SaveFileError);
  const std::string_view fileErrorCode = rt::trimRight(s.SaveFileErrorCode);
  // Longer placeholders go before their prefixes.
  Replace("%FileErrorCode", fileErrorCode, text);
  Replace("%FileError", fileError, text);
  Replace("%File", rt::trimRight(s.FileName), text);
  Replace("%Key", rt::trimRight(s.KeyName), text);
  Replace("%ErrorCode", code, text);
  // Codes 90 and 100 carry the driver's own message and code.
  std::string errorText = s.SaveErrorCode == rt::Error_FileSystemError || s.SaveErrorCode == 100
                              ? std::string(fileError) + " (" + std::string(fileErrorCode) + ")"
                              : std::string(error) + " (" + code + ")";
  Replace("%ErrorText", errorText, text);
  Replace("%Error", error, text);
  Replace("%Message", rt::trimRight(s.MessageText), text);
  Replace("%Field", rt::trimRight(s.FieldName), text);
  Replace("%Procedure", GetProcedureName(), text);
  // An empty category is the default one, as everywhere else.
  Replace("%Category",
          s.ErrorBuffer.Category.empty() ? GetDefaultCategory() : s.ErrorBuffer.Category, text);
  if (text.find("%Previous") != std::string::npos) {
    std::string previous;
    {
      CriticalProcedure cp(CritSect.GetIface());
      size_t i = s.PrevErrorId >= 0 && s.PrevErrorId <= 0xFFFF
                     ? find(uint16_t(s.PrevErrorId), kLast)
                     : kLast;
      if (i != kLast) previous = (*Errors)[i].Message;
    }
    Replace("%Previous", previous, text);
  }
  return text;
}

// ---- level handlers ----

Level ErrorClass::TakeBenign() { return Level::Benign; }

Level ErrorClass::TakeUser() {
  uint32_t answer = Msg(SubsString(), Stat().ErrorBuffer.Title, rt::Icon_Question,
                        rt::Button_Yes | rt::Button_No, rt::Button_Yes, GetMsgStyle());
  return answer == rt::Button_Yes ? Level::Benign : Level::Cancel;
}

Level ErrorClass::TakeNotify() {
  Msg(SubsString(), Stat().ErrorBuffer.Title, rt::Icon_Exclamation, rt::Button_Ok, rt::Button_Ok,
      GetMsgStyle());
  return Level::Notify;
}

Level ErrorClass::TakeFatal() {
  const std::string title = Stat().ErrorBuffer.Title;
  Msg(SubsString() + kFatalSuffix, title, rt::Icon_Exclamation, rt::Button_Ok, rt::Button_Ok,
      GetMsgStyle());
  halt(title, GetSilent());
}

Level ErrorClass::TakeProgram() { return TakeFatal(); }

Level ErrorClass::TakeOther() { return TakeProgram(); }

// ---- display ----

std::string ErrorClass::logLine(std::string_view text) {
  if (!ErrorLog) return "Attempt to LogErrors with ErrorLogInterface NULL!";
  auto failure = [](const char* what) { return what + std::string(rt::trimRight(rt::Error())); };
  if (ErrorLog->Open(false) != Level::Benign) return failure("Unable to Open error log; ");
  std::string line = rt::Format(rt::Today(), "@D17");
  line += '@';
  line += rt::Format(rt::Clock(), "@T8");
  line += " --> ";
  line += text;
  std::string problem;
  if (ErrorLog->Take(line) != Level::Benign) problem = failure("Unable to update error log; ");
  if (ErrorLog->Close(false) != Level::Benign && problem.empty())
    problem = failure("Unable to close error log; ");
  return problem;
}

uint32_t ErrorClass::Msg(std::string_view text, std::string_view caption, uint32_t icon,
                         uint32_t buttons, uint32_t defaultButton, uint32_t style) {
  const ErrorEntryGroup& buffer = Stat().ErrorBuffer;
  std::string logProblem;
  bool silent, historyOn, showHistory;
  {
    CriticalProcedure cp(CritSect.GetIface());
    if (LogErrors) logProblem = logLine(text);
    historyOn = HistoryThreshold != 0;
    if (historyOn) {
      if (HistoryThreshold > 0 && History) {
        while (History->size() >= size_t(HistoryThreshold)) History->pop_front();
      }
      AddHistory({GetCategory(buffer.Id), std::string(text), uint16_t(buffer.Id)});
    }
    silent = Silent;
    showHistory = historyOn && int32_t(buffer.Fatality) == HistoryViewLevel;
  }
  // Assertions show a message: never with the lock held.
  if (!logProblem.empty()) rt::assertionFailed(logProblem);
  if (silent) return defaultButton;
  if (!historyOn) {
    return MessageBox(buffer.Fatality, text, caption, icon, buttons, defaultButton, style);
  }
  if (!showHistory) return defaultButton;
  uint32_t result = HistoryMsg(caption, icon, buttons, defaultButton);
  if (GetHistoryResetOnView()) ResetHistory();
  return result;
}

uint32_t ErrorClass::Message(uint16_t id, uint32_t buttons, uint32_t defaultButton) {
  if (GetSilent()) return defaultButton;
  if (StoreErrorEntry(id) != Level::Benign) return defaultButton;
  const ErrorStatusClass& s = Stat();
  return MessageBox(Level::Benign, SubsString(), s.ErrorBuffer.Title, rt::Icon_Question, buttons,
                    defaultButton, GetMsgStyle());
}

uint32_t ErrorClass::MessageBox(Level, std::string_view text, std::string_view caption,
                                uint32_t icon, uint32_t buttons, uint32_t defaultButton,
                                uint32_t style) {
  rt::MessageRequest request;
  request.caption = caption;
  request.text = text;
  request.icon = icon;
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  request.style = style;
  return rt::showMessage(request);
}

uint32_t ErrorClass::HistoryMsg(std::string_view caption, uint32_t icon, uint32_t buttons,
                                uint32_t defaultButton) {
  HistoryViewer* viewer = GetHistoryViewer();
  if (!viewer) return defaultButton;
  // The dialog works on a copy, so other threads may go on adding messages.
  return viewer->ShowHistory(*this, CopyHistory(), caption, icon, buttons, defaultButton);
}

uint32_t ErrorClass::ViewHistory() {
  return HistoryMsg("Errors History", 0, rt::Button_Ok | rt::Button_Help, rt::Button_Ok);
}

}  // namespace fw
