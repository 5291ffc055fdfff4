#include "framework/report/process_class.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/step_class.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_records.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {

// The file's size in bytes, as its driver reports it.
constexpr int32_t kPropFileSize = 29511;

int32_t toInt32(const std::string& s) {
  long long v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return int32_t(std::clamp<long long>(v, 0, INT32_MAX));
}

}  // namespace

ProcessClass::~ProcessClass() {
  if (Inited && !Killed) Kill();
}

void ProcessClass::Init(rt::View* view, RelationManager* primary, int32_t progressText, uint8_t* percentile,
                        StepClass* step, rt::FieldRef valueField) {
  Percentile = percentile;
  if (Percentile) *Percentile = 0;
  PText = progressText;
  StepMgr = step;
  ValueField = valueField;
  CaseSensitiveValue = 1;
  ViewManager::Init(view, primary);
}

void ProcessClass::Reset() {
  RecordsProcessed = 0;
  if (StepMgr) {
    SetProgressLimits();
  } else if (RecordsToProcess == 0) {
    if (FileManager* me = Me()) {
      me->UseFile(kUseRead);
      int64_t n = rt::Records(me->Block());
      RecordsToProcess = int32_t(std::clamp<int64_t>(n, 0, INT32_MAX));
      if (RecordsToProcess == 0) FileSize = toInt32(rt::GetProperty(me->Block(), kPropFileSize));
    }
  }
  ChildRead = 0;
  ViewManager::Reset();
}

Level ProcessClass::Next(uint8_t count) {
  Level r = ViewManager::Next();
  if (r != Level::Benign || !count) return r;
  if (FileSize != 0) {
    if (FileManager* me = Me()) BytesRead = int32_t(std::min<int64_t>(INT32_MAX, BytesRead + rt::Bytes(me->Block())));
  }
  ++RecordsProcessed;
  if (Percentile) {
    uint8_t p = NewPercentage();
    if (p != *Percentile) {
      *Percentile = p;
      UpdateDisplay();
    }
  }
  return r;
}

std::string ProcessClass::Cased(std::string_view value) const {
  std::string s(value);
  if (!CaseSensitiveValue) {
    // Windows-1252 letters: ASCII, and the accented ones 0xE0-0xFE but 0xF7.
    for (char& ch : s) {
      unsigned char c = static_cast<unsigned char>(ch);
      if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) ch = char(c - 0x20);
    }
  }
  return s;
}

void ProcessClass::SetProgressLimits() {
  if (!ValueField.valid()) {
    rt::assertionFailed("SetProgressLimits needs the value field");
    return;
  }
  auto limit = [this](bool last) {
    ViewManager::Reset();
    Level r = last ? ViewManager::Previous() : Next(0);
    if (r != Level::Benign) rt::clearField(*ValueField.file, ValueField.field, last ? 1 : -1);
    std::string v = rt::getValueText(ValueField).value_or("");
    return v.substr(0, 64);
  };
  std::string high = limit(true);
  std::string low = limit(false);
  SetProgressLimits(low, high);
}

void ProcessClass::SetProgressLimits(std::string_view low, std::string_view high) {
  if (!StepMgr) {
    rt::assertionFailed("SetProgressLimits needs a step object");
    return;
  }
  StepMgr->SetLimit(Cased(low), Cased(high));
}

uint8_t ProcessClass::NewPercentage() const {
  int64_t p = 0;
  if (StepMgr)
    p = StepMgr->GetPercentile(Cased(rt::getValueText(ValueField).value_or("")));
  else if (FileSize != 0)
    p = int64_t(BytesRead) * 100 / FileSize;
  else if (RecordsToProcess != 0)
    p = int64_t(RecordsProcessed) * 100 / RecordsToProcess;
  return uint8_t(std::clamp<int64_t>(p, 0, 100));
}

void ProcessClass::UpdateDisplay() {
  ui::Window* w = ui::Engine::current().target();
  if (!w || PText == 0) return;
  int pct = Percentile ? *Percentile : 0;
  w->setProp(PText, ui::Prop_Text, std::to_string(pct) + "% Complete");
  w->display();
}

void ProcessClass::TakeLocate() {
  std::string filter;
  if (Query && Query(&filter)) SetFilter(filter);
}

void ProcessClass::Kill() {
  if (Killed) return;
  Percentile = nullptr;
  ValueField = rt::FieldRef{};
  if (Primary) Primary->SetQuickScan(false, 1);
  if (StepMgr) StepMgr->Kill();
  ViewManager::Kill();
}

}  // namespace fw
