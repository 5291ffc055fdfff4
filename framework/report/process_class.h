// A record processor: walks a view for a report procedure, counting the
// records it reads and showing how far it has got as a percentage.
//
//   ThisReport process;                       // overrides TakeRecord
//   process.Init(&view, &Relate_QVLIBRETA, kPctText, &percent, &step, nameField);
//   process.AddSortOrder(key);  process.AddRange(...);
//   process.Reset();                          // takes the record count
//   while (process.Next(1) == fw::Level::Benign) process.TakeRecord();
//   process.Kill();
//
// The percentage is RecordsProcessed * 100 / RecordsToProcess (the primary
// file's record count, taken once), or, when the file reports no count,
// BytesRead * 100 / FileSize. With a step object it is instead where the
// value of ValueField lies between the view's first and last values
// (StepMgr->GetPercentile), and no count is taken. It is kept in the byte Percentile points at,
// never above 100, and the text control PText shows it followed by
// "% Complete" whenever its whole value changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/data/level.h"
#include "framework/data/view_manager.h"
#include "runtime/core/file_field.h"

namespace fw {

class StepClass;

class ProcessClass : public ViewManager {
 public:
  ProcessClass() = default;
  ~ProcessClass() override;

  void Init(rt::View* view, RelationManager* primary, int32_t progressText = 0, uint8_t* percentile = nullptr,
            StepClass* step = nullptr, rt::FieldRef valueField = {});

  // Gives the step object the view's first and last value of ValueField.
  void SetProgressLimits();
  void SetProgressLimits(std::string_view low, std::string_view high);

  using ViewManager::Reset;
  void Reset() override;
  void Kill() override;

  // Reads the next record; with count set, counts it and updates the
  // progress. Notify at the end of the view, Fatal on a read error.
  virtual Level Next(uint8_t count);
  using ViewManager::Next;
  virtual void TakeAccepted() {}
  virtual void TakeLocate();
  // The per-record hook: the application prints its detail band here.
  virtual Level TakeRecord() { return Level::Benign; }
  virtual void UpdateDisplay();
  virtual void ChildProcessingStart(uint16_t) { ChildEOF = 0; }
  virtual void ChildProcessingEnd(uint16_t) { ChildEOF = 1; }

  int32_t BytesRead = 0;
  int32_t FileSize = 0;
  uint8_t ChildRead = 0;
  uint8_t ChildEOF = 0;
  uint8_t* Percentile = nullptr;
  int32_t PText = 0;
  int32_t RecordsProcessed = 0;
  int32_t RecordsToProcess = 0;
  StepClass* StepMgr = nullptr;
  rt::FieldRef ValueField;
  uint8_t CaseSensitiveValue = 1;
  // A query-by-example: answers true when the user gave a filter, which it
  // leaves in its argument. Nothing in this program sets one.
  std::function<bool(std::string* filter)> Query;

 private:
  uint8_t NewPercentage() const;
  std::string Cased(std::string_view value) const;
};

}  // namespace fw
