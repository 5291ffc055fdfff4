// ViewManager life, opening and reading.
#include "framework/data/view_manager.h"

#include <string>

#include "framework/data/file_manager.h"
#include "framework/data/files_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_control.h"
#include "runtime/view/pattern.h"
#include "runtime/view/view.h"

namespace fw {

namespace {

FilesManager::FileId IdOf(const rt::FileControlBlock* file) { return reinterpret_cast<FilesManager::FileId>(file); }

// `text` with the pattern syntax's special characters taken literally.
std::string Literal(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (std::string_view(".[]{}|^$*+?\\").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

ViewManager::~ViewManager() {
  if (Inited && !Killed) ViewManager::Kill();
}

void ViewManager::Init(rt::View* view, RelationManager* primary, SortOrderList* orders) {
  Inited = true;
  View = view;
  Primary = primary;
  if (orders) {
    Order = orders;
    DisposeOrder = false;
  } else {
    own_order_ = std::make_unique<SortOrderList>();
    Order = own_order_.get();
    DisposeOrder = true;
  }
  SavedBuffers = std::make_unique<std::vector<SavedBuffer>>();
  PageSize = 20;
  PagesBehind = 2;
  PagesAhead = 0;
  Timeout = 60;
  Killed = false;
  UseView();
}

FileManager* ViewManager::Me() const { return Primary ? Primary->Me : nullptr; }

void ViewManager::Throw(uint16_t id) {
  if (FileManager* me = Me()) me->Throw(id);
}

void ViewManager::UseView() {
  if (!View) {
    rt::Assert(false, "View manager has not been assigned a view");
    return;
  }
  FilesManager& files = ThreadFilesManager();
  for (int i = 1; i <= View->fileCount(); ++i) {
    rt::FileControlBlock* file = View->file(i);
    if (!file) {
      rt::Assert(false, "View driver failed to return constituent file.");
      return;
    }
    FileManager* fm = files.GetFileMapping(IdOf(file));
    if (!fm) {
      rt::Assert(false, "Unable to obtain file manager for constituent file:" + file->name);
      return;
    }
    RelationManager* rm = files.GetRelationFileMapping(IdOf(file));
    if (!rm) {
      rt::Assert(false, "Unable to obtain relation manager for constituent file:" + file->name);
      return;
    }
    rm->Open(false);
    Used = true;
    if (fm->UseFile(kUseRead) != Level::Benign) return;
  }
}

void ViewManager::UnuseView() {
  if (!Used) return;
  if (View) {
    FilesManager& files = ThreadFilesManager();
    for (int i = 1; i <= View->fileCount(); ++i) {
      rt::FileControlBlock* file = View->file(i);
      RelationManager* rm = file ? files.GetRelationFileMapping(IdOf(file)) : nullptr;
      if (rm) rm->Close(false);
    }
  }
  Used = false;
}

void ViewManager::Open() {
  if (!View) {
    rt::Assert(false, "View manager has not been assigned a view");
    return;
  }
  if (!Opened) {
    if (!Order || Order->Entries.empty()) rt::Assert(false, "At least 1 view order must be specified");
    int32_t rc = View->Open();
    if (rc == 0) Opened = true;
    else if (rc != rt::Error_FileAlreadyOpen) Throw(Msg_ViewOpenError);
    View->SetBuffer(rt::ViewBuffering{PageSize, PagesBehind, PagesAhead, Timeout});
  }
  ApplyOrder();
  ApplyFilter();
}

void ViewManager::Close() { Close(false); }

void ViewManager::Close(bool force) {
  if ((Opened || force) && View) {
    View->Close();
    Opened = false;
  }
}

void ViewManager::Reset() { Reset(0); }

void ViewManager::Reset(int locate) {
  Open();
  if (View && View->Set(locate) != 0) Throw(Msg_ViewOpenError);
}

Level ViewManager::Next() { return Read(false); }

Level ViewManager::Previous() { return Read(true); }

Level ViewManager::Read(bool backwards) {
  if (!View) return Level::Notify;
  for (;;) {
    int32_t rc = backwards ? View->Previous() : View->Next();
    if (rc == rt::Error_RecordNotAvailable) return Level::Notify;
    if (rc != 0) {
      Throw(Msg_RecordRetrievalError);
      return Level::Fatal;
    }
    int verdict = ValidateRecord();
    if (verdict == kRecordAccepted) return Level::Benign;
    if (verdict == kRecordOutOfRange) return Level::Notify;
  }
}

int ViewManager::ValidateRecord() { return kRecordAccepted; }

Level ViewManager::PrimeRecord(bool suppressClear) {
  if (!suppressClear) ClearFilesRecord();
  SortOrder* s = CurrentOrder();
  FileManager* me = Me();
  if (s && s->RangeList && me && s->MainKey >= 0) {
    const auto& pairs = s->RangeList->List;
    size_t n = pairs.size();
    if (s->LimitType == 3) n = n >= 2 ? n - 2 : 0;
    else if (s->LimitType == 0) n = 0;
    for (size_t i = 1; i <= n; ++i) {
      rt::FieldRef component = me->GetField(s->MainKey, int(i));
      if (component.valid()) AssignValue(component, pairs[i - 1].Right);
    }
  }
  return me ? me->PrimeRecord(true) : Level::Notify;
}

bool ViewManager::GetFieldAscending(const rt::FieldRef& field) {
  if (!View) return true;
  std::string label;
  for (int i = 1; i <= View->fieldCount(); ++i) {
    rt::ViewField f = View->field(i);
    if (f.memo < 0 && f.field == field.field && View->file(f.file) == field.file) {
      label = f.label;
      break;
    }
  }
  if (label.empty()) return true;
  const std::string& order = View->order();
  auto search = [&](const std::string& name) {
    std::string lit = Literal(name);
    std::string pattern = "{{[+-]}{" + lit + "}[,]}|{{[+-]}{" + lit + "}$}";
    return rt::patternSearch(order, pattern, /*ignore_case=*/true);
  };
  size_t at = search(label);
  if (at == 0) at = search("UPPER(" + label + ")");
  return !(at > 0 && order[at - 1] == '-');
}

void ViewManager::SaveBuffers() {
  if (!View || !SavedBuffers) {
    rt::Assert(false, "View manager has not  properly initialized");
    return;
  }
  // Buffers saved earlier and never restored are dropped, not leaked.
  for (SavedBuffer& b : *SavedBuffers) b.FM->RestoreBuffer(b.Buff, false);
  SavedBuffers->clear();
  FilesManager& files = ThreadFilesManager();
  for (int i = 1; i <= View->fileCount(); ++i) {
    rt::FileControlBlock* file = View->file(i);
    FileManager* fm = file ? files.GetFileMapping(IdOf(file)) : nullptr;
    if (fm) SavedBuffers->push_back(SavedBuffer{fm->SaveBuffer(), fm});
  }
}

void ViewManager::RestoreBuffers() {
  if (!SavedBuffers) return;
  for (SavedBuffer& b : *SavedBuffers) b.FM->RestoreBuffer(b.Buff, true);
  SavedBuffers->clear();
}

void ViewManager::ClearFilesRecord() {
  if (!View) return;
  for (int i = 1; i <= View->fileCount(); ++i)
    if (rt::FileControlBlock* file = View->file(i)) file->clearBuffers();
}

void ViewManager::Kill() {
  if (Killed) return;
  if (Order) {
    for (auto& s : Order->Entries) {
      if (s->RangeList) s->RangeList->Kill();
      s->RangeList.reset();
      s->Filter.reset();
      s->Order.clear();
      s->FreeElement = rt::FieldRef{};
    }
  }
  if (DisposeOrder) {
    own_order_.reset();
    Order = nullptr;
  }
  SavedBuffers.reset();
  Close();
  UnuseView();
  Killed = true;
}

}  // namespace fw
