#include "framework/data/error_class.h"

#include <string>
#include <thread>

#include "framework/data/error_replace.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/trim.h"

namespace fw {

namespace {
constexpr char kNotInitialized[] = "ErrorClass not correctly initialized";
constexpr char kListsMissing[] = "ErrorClass incorrectly initialized.";
constexpr char kNotFound[] = "Identifier not found.";
}  // namespace

ErrorClass::ErrorClass() = default;

ErrorClass::~ErrorClass() { Kill(); }

void ErrorClass::Init(ErrorStatusSource status) {
  Status = status;
  Init();
}

void ErrorClass::Init() {
  CriticalProcedure cp(CritSect.GetIface());
  rt::Assert(Status != nullptr, "ErrorClass not correctly initialized with Status");
  if (StdErrorLog) return;
  StdErrorLog = std::make_unique<StandardErrorLogClass>();
  DefaultCategory = "ZOR";
  Errors.reset();
  ProcNames.reset();
  History.reset();
  HistoryThreshold = 0;
  HistoryViewLevel = int32_t(Level::Fatal);
  HistoryResetOnView = false;
  SetErrorLog(StdErrorLog.get());
}

void ErrorClass::Kill() {
  CriticalProcedure cp(CritSect.GetIface());
  Errors.reset();
  History.reset();
  ProcNames.reset();
  ErrorLog = nullptr;
  StdErrorLog.reset();
}

void ErrorClass::SetErrorLog(ErrorLogInterface* log) {
  CriticalProcedure cp(CritSect.GetIface());
  ErrorLog = log;
  if (!Errors) {
    Errors = std::make_unique<std::vector<ErrorEntryGroup>>();
    AddErrors(DefaultErrors());
  }
  if (!ProcNames) ProcNames = std::make_unique<std::vector<ProcNameEntry>>();
  if (!History) History = std::make_unique<std::deque<HistoryEntry>>();
}

ErrorStatusClass& ErrorClass::Stat() {
  if (Status) return Status();
  rt::assertionFailed("ErrorClass not correctly initialized with Status");
  return ThreadErrorStatus();
}

bool ErrorClass::checkTables() {
  if (Errors) return true;
  rt::assertionFailed(kNotInitialized);
  return false;
}

// ---- message table ----

void ErrorClass::AddErrors(ErrorBlock block) {
  CriticalProcedure cp(CritSect.GetIface());
  if (!checkTables()) return;
  if (!ReadErrorBlock(block, *Errors)) rt::assertionFailed("Error block ends inside an entry.");
}

void ErrorClass::AddError(uint16_t id, std::string_view message, std::string_view title,
                          Level level, std::string_view category) {
  CriticalProcedure cp(CritSect.GetIface());
  if (!checkTables()) return;
  Errors->push_back({id, std::string(message), std::string(title), level, std::string(category)});
}

void ErrorClass::RemoveError(uint16_t id) {
  CriticalProcedure cp(CritSect.GetIface());
  size_t index;
  if (SetId(id, kLast, &index) != Level::Benign) {
    rt::assertionFailed("Unable to delete error id :" + std::to_string(id));
    return;
  }
  Errors->erase(Errors->begin() + index);
}

size_t ErrorClass::find(uint16_t id, size_t position) const {
  if (!Errors || Errors->empty()) return kLast;
  size_t i = position < Errors->size() ? position + 1 : Errors->size();
  while (i-- > 0) {
    if ((*Errors)[i].Id == id) return i;
  }
  return kLast;
}

Level ErrorClass::SetId(uint16_t id, size_t position, size_t* index) {
  CriticalProcedure cp(CritSect.GetIface());
  if (!checkTables()) return Level::Notify;
  size_t i = find(id, position);
  if (i == kLast) {
    if (position == kLast) rt::assertionFailed(kNotFound);
    return Level::Notify;
  }
  if (index) *index = i;
  return Level::Benign;
}

Level ErrorClass::GetErrorEntry(uint16_t id, ErrorEntryGroup& entry, size_t position) {
  CriticalProcedure cp(CritSect.GetIface());
  size_t index;
  if (SetId(id, position, &index) != Level::Benign) return Level::Notify;
  entry = (*Errors)[index];
  return Level::Benign;
}

Level ErrorClass::StoreErrorEntry(uint16_t id) {
  ErrorStatusClass& status = Stat();
  status.PrevErrorId = status.ErrorBuffer.Id;
  ErrorEntryGroup entry;
  Level found = GetErrorEntry(id, entry);
  if (found != Level::Benign) entry = ErrorEntryGroup{};
  status.ErrorBuffer = std::move(entry);
  return found;
}

int32_t ErrorClass::GetErrorBufferId() { return Stat().ErrorBuffer.Id; }
std::string ErrorClass::GetErrorBufferTitle() { return Stat().ErrorBuffer.Title; }
Level ErrorClass::GetErrorBufferFatality() { return Stat().ErrorBuffer.Fatality; }
void ErrorClass::GetAllStatusVariables(ErrorStatusGroup& group) { group = Stat(); }

// ---- settings ----

#define FW_LOCKED_GET(Type, Name)              \
  Type ErrorClass::Get##Name() {               \
    CriticalProcedure cp(CritSect.GetIface()); \
    return Name;                               \
  }
#define FW_LOCKED_SET(Type, Name)              \
  void ErrorClass::Set##Name(Type value) {     \
    CriticalProcedure cp(CritSect.GetIface()); \
    Name = value;                              \
  }

FW_LOCKED_GET(int32_t, HistoryThreshold)
FW_LOCKED_SET(int32_t, HistoryThreshold)
FW_LOCKED_GET(int32_t, HistoryViewLevel)
FW_LOCKED_SET(int32_t, HistoryViewLevel)
FW_LOCKED_GET(bool, HistoryResetOnView)
FW_LOCKED_SET(bool, HistoryResetOnView)
FW_LOCKED_GET(bool, LogErrors)
FW_LOCKED_SET(bool, LogErrors)
FW_LOCKED_GET(bool, Silent)
FW_LOCKED_SET(bool, Silent)
FW_LOCKED_GET(uint16_t, MsgStyle)
FW_LOCKED_SET(uint16_t, MsgStyle)
FW_LOCKED_GET(std::string, DefaultCategory)

#undef FW_LOCKED_GET
#undef FW_LOCKED_SET

void ErrorClass::SetDefaultCategory(std::string_view category) {
  CriticalProcedure cp(CritSect.GetIface());
  DefaultCategory = category;
}

// ---- categories ----

void ErrorClass::SetCategory(int32_t id, std::string_view category) {
  CriticalProcedure cp(CritSect.GetIface());
  if (id == kDefaultCategoryId) {
    DefaultCategory = category;
    return;
  }
  size_t index;
  if (id < 0 || id > 0xFFFF) {
    rt::assertionFailed(kNotFound);
    return;
  }
  if (SetId(uint16_t(id), kLast, &index) == Level::Benign) (*Errors)[index].Category = category;
}

std::string ErrorClass::GetCategory(int32_t id) {
  CriticalProcedure cp(CritSect.GetIface());
  if (id >= 0 && id <= 0xFFFF) {
    size_t index = find(uint16_t(id), kLast);
    if (index != kLast && !(*Errors)[index].Category.empty()) return (*Errors)[index].Category;
  }
  return DefaultCategory;
}

// ---- procedure names ----

void ErrorClass::SetProcedureName(std::string_view name) {
  CriticalProcedure cp(CritSect.GetIface());
  if (!ProcNames) {
    rt::assertionFailed(kListsMissing);
    return;
  }
  ProcNames->push_back({std::this_thread::get_id(), std::string(rt::trimRight(name))});
}

void ErrorClass::SetProcedureName() {
  CriticalProcedure cp(CritSect.GetIface());
  if (!ProcNames) {
    rt::assertionFailed(kListsMissing);
    return;
  }
  const auto self = std::this_thread::get_id();
  for (size_t i = ProcNames->size(); i-- > 0;) {
    if ((*ProcNames)[i].Thread != self) continue;
    // An empty name is popped too: left behind it would hide the caller's name.
    ProcNames->erase(ProcNames->begin() + i);
    return;
  }
}

std::string ErrorClass::GetProcedureName() {
  CriticalProcedure cp(CritSect.GetIface());
  if (!ProcNames) return {};
  const auto self = std::this_thread::get_id();
  for (size_t i = ProcNames->size(); i-- > 0;) {
    if ((*ProcNames)[i].Thread == self) return (*ProcNames)[i].Name;
  }
  return {};
}

// ---- history ----

void ErrorClass::AddHistory(const HistoryEntry& entry) {
  CriticalProcedure cp(CritSect.GetIface());
  if (!History) {
    rt::assertionFailed(kListsMissing);
    return;
  }
  History->push_back(entry);
  if (History->back().Txt.size() > kHistoryTextMax) History->back().Txt.resize(kHistoryTextMax);
}

void ErrorClass::ResetHistory() {
  CriticalProcedure cp(CritSect.GetIface());
  if (History) History->clear();
}

std::vector<HistoryEntry> ErrorClass::CopyHistory() {
  CriticalProcedure cp(CritSect.GetIface());
  if (!History) return {};
  return {History->begin(), History->end()};
}

}  // namespace fw
