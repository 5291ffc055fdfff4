// Field history ("ditto"): the record as it was last completed, from which
// the history key restores one field.
#include <algorithm>
#include <cstring>

#include "framework/window/window_manager.h"
#include "runtime/core/file_control.h"
#include "runtime/ui/window.h"

namespace fw {

void WindowManager::AddHistoryFile(rt::FileControlBlock& record, std::vector<uint8_t>& save) {
  if (!History) History = std::make_unique<std::vector<FieldHistoryEntry>>();
  pendingHistory_.FRecord = &record;
  pendingHistory_.SRecord = &save;
}

void WindowManager::AddHistoryField(int32_t control, int32_t fieldNo) {
  if (!History) History = std::make_unique<std::vector<FieldHistoryEntry>>();
  FieldHistoryEntry e = pendingHistory_;
  e.Control = control;
  e.FieldNo = fieldNo;
  // Kept in order of control; a control named again takes the new field.
  auto at = std::lower_bound(History->begin(), History->end(), control,
                             [](const FieldHistoryEntry& h, int32_t c) { return h.Control < c; });
  if (at != History->end() && at->Control == control)
    *at = e;
  else
    History->insert(at, e);
}

void WindowManager::SaveHistory() {
  if (!History) return;
  // A file whose entries follow each other is copied once.
  const rt::FileControlBlock* previous = nullptr;
  for (const FieldHistoryEntry& h : *History) {
    if (!h.FRecord || !h.SRecord || h.FRecord == previous) continue;
    *h.SRecord = h.FRecord->record;
    previous = h.FRecord;
  }
}

void WindowManager::RestoreField(int32_t control) {
  if (!History) return;
  auto at = std::find_if(History->begin(), History->end(),
                         [control](const FieldHistoryEntry& h) { return h.Control == control; });
  if (at == History->end() || !at->FRecord || !at->SRecord) return;
  const auto& fields = at->FRecord->decl().fields;
  if (at->FieldNo < 1 || at->FieldNo > int32_t(fields.size())) return;
  const rt::FieldDecl& f = fields[size_t(at->FieldNo - 1)];
  std::vector<uint8_t>& record = at->FRecord->record;
  const std::vector<uint8_t>& saved = *at->SRecord;
  // Nothing saved yet (or a save buffer of another size): nothing to restore.
  if (saved.size() != record.size() || size_t(f.offset) + f.size > record.size()) return;
  std::memcpy(record.data() + f.offset, saved.data() + f.offset, f.size);
  if (ui::Window* w = LoopWindow()) w->display(control);
}

}  // namespace fw
