// The window manager of a report procedure. Its window is a small progress
// window whose timer drives the work: each "EVENT:Timer" hands a batch of
// records to the process's TakeRecord (which prints the detail band), sized
// so that one batch takes about TimeSlice centiseconds. When the view is
// exhausted the report is ended, its pages are shown in the preview, and
// printed (FlushPreview 1) or discarded (0).
//
//   class ThisWindow : public fw::ReportManager {
//     fw::Level Init() override {
//       fw::Level r = WindowManager::Init();      // the plain window manager's
//       ... open files; Open(progressWindow); process.Init(...);
//       AddItem(kCancel, fw::Response_Cancelled);
//       ReportManager::Init(&process, &report, &preview);
//       return fw::Level::Benign;
//     }
//   };
//
// Batch sizing: RecordsPerCycle starts at 1; after each batch it doubles
// when the batch took under 80 % of the slice, further batches run in the
// same event while under half the slice has passed since the event began,
// and it halves (not below 1) when a batch took over 150 %. The clock is
// the time of day, so an event that spans midnight measures across it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/level.h"
#include "framework/window/window_manager.h"

namespace ui {
class Report;
class Window;
}  // namespace ui

namespace fw {

class PrintPreviewClass;
class ProcessClass;

// Further hooks called for every record and when the report closes.
class RecordProcessor {
 public:
  virtual ~RecordProcessor() = default;
  virtual Level TakeRecord() = 0;
  virtual Level TakeClose() = 0;
};

class ReportManager : public WindowManager {
 public:
  ReportManager() = default;
  ~ReportManager() override;

  using WindowManager::Init;
  void Init(ProcessClass* process, ui::Report* report = nullptr, PrintPreviewClass* preview = nullptr);

  // --- Overridden window-manager operations ------------------------------
  void Ask() override;
  Level Kill() override;
  using WindowManager::Open;
  void Open() override;
  Level TakeAccepted() override;
  Level TakeCloseEvent() override;
  Level TakeWindowEvent() override;

  // --- Own operations ------------------------------------------------------
  virtual void SetUseMRP(bool on) { UseMRP = on; }
  virtual bool GetUseMRP() { return UseMRP != 0; }
  virtual void AskPreview();
  virtual Level EndReport();
  virtual void PrintReport();
  virtual void CancelPrintReport();
  virtual Level Next();
  virtual Level OpenReport();
  virtual Level ProcessResultFiles(std::vector<std::string>& files);
  virtual void SetStaticControlsAttributes() {}
  virtual void SetDynamicControlsAttributes() {}
  virtual void TakeNoRecords();
  virtual Level TakeRecord();

  // --- Fields ------------------------------------------------------------
  uint8_t DeferOpenReport = 0;
  uint16_t DeferWindow = 0;  // seconds
  uint8_t KeepVisible = 0;
  uint8_t OpenFailed = 0;
  std::unique_ptr<std::vector<RecordProcessor*>> Processors;
  PrintPreviewClass* Preview = nullptr;
  std::unique_ptr<std::vector<std::string>> PreviewQueue;
  std::unique_ptr<std::vector<std::string>> OutputFileQueue;
  ProcessClass* Process = nullptr;
  int32_t RecordsPerCycle = 1;
  int32_t QueryControl = 0;
  ui::Report* Report = nullptr;
  uint8_t SkipPreview = 0;
  int32_t StartTime = 0;      // centiseconds
  uint16_t TimeSlice = 100;   // centiseconds
  uint8_t WaitCursor = 0;
  int16_t Zoom = 0;
  uint8_t UseMRP = 1;
  // The time of day in centiseconds; replaceable so tests can drive time.
  std::function<int32_t()> Clock;

 private:
  int32_t Elapsed(int32_t from) const;
  bool Attributes() const;
  void TimerOff();
  ui::Window* hiddenFor_ = nullptr;  // the target while the progress window is hidden
  bool waitCursorOn_ = false;
};

}  // namespace fw
