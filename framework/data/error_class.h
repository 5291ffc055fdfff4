// The error manager: every failure or question of the framework is reported
// here by a message identifier.
//
//   fw::ErrorClass GlobalErrors;
//   GlobalErrors.Init(fw::ThreadErrorStatus);   // once, at start-up
//   ...
//   GlobalErrors.SetFile("QVLIBRETA");           // the names the message needs,
//   if (failed) return GlobalErrors.Throw(Msg_FileOpenError);   // right after the failed operation
//
// The manager looks the identifier up in its message table (the built-in one,
// overridden by entries added later), fills the placeholders from the calling
// thread's status, and by the message's level asks (User, Cancel: Yes/No),
// informs (Notify), ends the program (Fatal, Program) or shows nothing
// (Benign). Shown messages may also be logged and kept in a history.
// Messages reach the user through rt::showMessage.
//
// One manager serves all threads: its tables and settings are guarded by a
// re-entrant lock, which is not held while a message is on screen.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/critical_section.h"
#include "framework/data/error_block.h"
#include "framework/data/error_entry.h"
#include "framework/data/error_log.h"
#include "framework/data/error_status.h"
#include "framework/data/level.h"

namespace fw {

class ErrorClass {
 public:
  static constexpr size_t kLast = std::numeric_limits<size_t>::max();
  static constexpr int32_t kDefaultCategoryId = -1;

  ErrorClass();
  virtual ~ErrorClass();
  ErrorClass(const ErrorClass&) = delete;
  ErrorClass& operator=(const ErrorClass&) = delete;

  // Binds the per-thread status, then Init().
  void Init(ErrorStatusSource status);
  // One-time set-up: built-in log, default category "ZOR", history off,
  // history view level Fatal, the built-in table. A second call does nothing.
  void Init();
  // Drops the tables, history, procedure names and the built-in log.
  void Kill();

  // Message table. Entries are appended; the most recent one for an
  // identifier wins, and removing it brings back the one before.
  virtual void AddErrors(ErrorBlock block);
  virtual void AddError(uint16_t id, std::string_view message, std::string_view title,
                        Level level, std::string_view category = {});
  virtual void RemoveError(uint16_t id);
  virtual void SetErrorLog(ErrorLogInterface* log);

  // Names for "%File", "%Key", "%Field" (trailing blanks dropped) and the
  // text for "%Message", in the calling thread's status.
  void SetFile(std::string_view name);
  void SetKey(std::string_view name);
  void SetField(std::string_view name);
  void SetMessageText(std::string_view text);

  // Reporting. Throw records the runtime's error state first (call it right
  // after the failed operation); TakeError leaves the recorded state alone.
  // The result is the level handler's: Benign (also for Yes), Cancel (No),
  // Notify.
  Level Throw(uint16_t id);
  Level ThrowFile(uint16_t id, std::string_view fileName);   // SetFile, then Throw
  Level ThrowMessage(uint16_t id, std::string_view text);    // SetMessageText, then Throw
  Level TakeError(uint16_t id);

  // Shows message `id` as a question with `buttons`; returns the button
  // pressed. Neither logged nor kept in the history. Silent: `defaultButton`.
  uint32_t Message(uint16_t id, uint32_t buttons, uint32_t defaultButton);

  // The display path of the level handlers: logs, records history, shows
  // (unless Silent); returns the button pressed, or `defaultButton` when
  // nothing was shown.
  virtual uint32_t Msg(std::string_view text, std::string_view caption, uint32_t icon,
                       uint32_t buttons, uint32_t defaultButton, uint32_t style);
  // The runtime's message box; `level` is for overrides.
  virtual uint32_t MessageBox(Level level, std::string_view text, std::string_view caption,
                              uint32_t icon, uint32_t buttons, uint32_t defaultButton,
                              uint32_t style);
  // The history dialog over a copy of the history taken under the lock,
  // shown by the installed HistoryViewer (history_viewer.h); without one it
  // shows nothing and answers `defaultButton`.
  virtual uint32_t HistoryMsg(std::string_view caption, uint32_t icon, uint32_t buttons,
                              uint32_t defaultButton);
  // HistoryMsg("Errors History", 0, Ok + Help, Ok).
  virtual uint32_t ViewHistory();

  // The calling thread's current message with its placeholders filled.
  std::string SubsString();
  // Copies the runtime's error code and message and the driver's code and
  // message into the calling thread's status.
  void SetErrors();

  // Copies entry `id` into the thread's ErrorBuffer (an empty, Benign entry
  // when there is none, after an assertion); the previous identifier goes
  // to PrevErrorId.
  Level StoreErrorEntry(uint16_t id);  // Benign when found, Notify when not
  // Benign with a copy in `entry` when found searching back from `position`;
  // Notify when not (an assertion too when searching from the last entry).
  Level GetErrorEntry(uint16_t id, ErrorEntryGroup& entry, size_t position = kLast);
  // Finds the most recent entry for `id` at or before `position`; its index
  // goes to `index`. Asserts when searching from the last entry finds none.
  Level SetId(uint16_t id, size_t position = kLast, size_t* index = nullptr);

  int32_t GetErrorBufferId();
  std::string GetErrorBufferTitle();
  Level GetErrorBufferFatality();
  void GetAllStatusVariables(ErrorStatusGroup& group);

  // Settings (under the lock).
  int32_t GetHistoryThreshold();
  void SetHistoryThreshold(int32_t n);  // 0 off, > 0 keep n, < 0 unlimited
  int32_t GetHistoryViewLevel();
  void SetHistoryViewLevel(int32_t level);
  bool GetHistoryResetOnView();
  void SetHistoryResetOnView(bool on);
  bool GetLogErrors();
  void SetLogErrors(bool on);
  bool GetSilent();
  void SetSilent(bool on);
  uint16_t GetMsgStyle();
  void SetMsgStyle(uint16_t style);
  std::string GetDefaultCategory();
  void SetDefaultCategory(std::string_view category);

  // Categories; kDefaultCategoryId stands for the default category.
  void SetCategory(int32_t id, std::string_view category);
  std::string GetCategory(int32_t id);

  // The calling thread's procedure name ("%Procedure"): a name pushes,
  // no name pops the thread's most recent one.
  void SetProcedureName(std::string_view name);
  void SetProcedureName();
  std::string GetProcedureName();

  virtual void AddHistory(const HistoryEntry& entry);
  void ResetHistory();
  // A copy taken under the lock, for the history dialog.
  std::vector<HistoryEntry> CopyHistory();

  // Level handlers, chosen by TakeError from the message's level.
  virtual Level TakeBenign();
  virtual Level TakeUser();
  virtual Level TakeNotify();
  // Shows the message, then ends the program through the runtime's fatal
  // path; does not return unless overridden.
  virtual Level TakeFatal();
  virtual Level TakeProgram();
  virtual Level TakeOther();

  // Fields. From other threads use the operations above, which lock.
  std::string DefaultCategory;
  std::unique_ptr<std::vector<ErrorEntryGroup>> Errors;
  ErrorLogInterface* ErrorLog = nullptr;
  std::unique_ptr<std::deque<HistoryEntry>> History;
  std::unique_ptr<std::vector<ProcNameEntry>> ProcNames;
  std::unique_ptr<StandardErrorLogClass> StdErrorLog;
  bool Silent = false;
  bool LogErrors = false;
  int32_t HistoryThreshold = 0;
  int32_t HistoryViewLevel = 0;
  bool HistoryResetOnView = false;
  CriticalSection CritSect;
  ErrorStatusSource Status = nullptr;
  uint16_t MsgStyle = 0;

 protected:
  // The calling thread's status (its own instance when none is bound).
  ErrorStatusClass& Stat();

 private:
  bool checkTables();
  // Index of the most recent entry for `id` at or before `position`; caller holds the lock.
  size_t find(uint16_t id, size_t position) const;
  // Writes one log line; caller holds the lock. Returns the assertion text of
  // a failure, empty on success.
  std::string logLine(std::string_view text);
};

}  // namespace fw
