#include "framework/report/report_manager.h"

#include "framework/data/error_class.h"
#include "framework/data/message_ids.h"
#include "framework/report/print_preview_class.h"
#include "framework/report/process_class.h"
#include "framework/window/request_codes.h"
#include "runtime/core/message_presenter.h"
#include "runtime/core/std_time.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace fw {

namespace {

constexpr int32_t kDay = 24 * 60 * 60 * 100;  // centiseconds

ui::Engine& engine() { return ui::Engine::current(); }

}  // namespace

ReportManager::~ReportManager() {
  if (!Dead && CL) Kill();
}

void ReportManager::Init(ProcessClass* process, ui::Report* report, PrintPreviewClass* preview) {
  UseMRP = 1;
  Process = process;
  Report = report;
  Preview = preview;
  OutputFileQueue = std::make_unique<std::vector<std::string>>();
  PreviewQueue = std::make_unique<std::vector<std::string>>();
  if (Preview) {
    Preview->Init(PreviewQueue.get());
    Preview->Errors = Errors;
  }
  RecordsPerCycle = 1;
  TimeSlice = 100;
  Processors = std::make_unique<std::vector<RecordProcessor*>>();
  if (!Clock) Clock = [] { return rt::Clock(); };
}

int32_t ReportManager::Elapsed(int32_t from) const {
  // The clock restarts at midnight: a reading below the start lies in the
  // next day.
  int32_t d = Clock() - from;
  if (d < 0) d += kDay;
  return d;
}

bool ReportManager::Attributes() const {
  return Report && Report->prop(ui::ReportProp_Attributes).toInt() == 1;
}

void ReportManager::TimerOff() {
  if (MyWindow) MyWindow->setProp(0, ui::Prop_Timer, 0);
}

void ReportManager::Ask() {
  if (DeferWindow != 0) {
    if (WaitCursor) {
      engine().setWaitCursor(true);
      waitCursorOn_ = true;
    }
    StartTime = Clock ? Clock() : rt::Clock();
    if (MyWindow) MyWindow->setProp(0, ui::Prop_Hide, 1);
  }
  WindowManager::Ask();
}

void ReportManager::Open() {
  WindowManager::Open();
  if (!DeferOpenReport && OpenReport() == Level::Benign && Attributes()) SetStaticControlsAttributes();
}

Level ReportManager::OpenReport() {
  if (!Process) return Level::Fatal;
  Process->Reset();
  Level r = Next();
  DeferOpenReport = 0;
  if (r != Level::Benign) {
    OpenFailed = 1;
    TakeNoRecords();
    return r;
  }
  OpenFailed = 0;
  if (Report) {
    if (Report->open() != ui::ReportResult::Ok) {
      // No folder for the pages (temporary folder missing or full): say so
      // rather than run a report that can print nothing.
      OpenFailed = 1;
      rt::MessageRequest m;
      m.caption = "Report Error";
      m.text = "The report could not be started: its pages cannot be written to the temporary folder.";
      m.icon = rt::Icon_Exclamation;
      m.buttons = rt::Button_Ok;
      m.defaultButton = rt::Button_Ok;
      rt::showMessage(m);
      Response = Response_Cancelled;
      Post(ui::Event_CloseWindow);
      return Level::Fatal;
    }
    if (Preview) Report->setPreview(PreviewQueue.get());
  }
  return r;
}

Level ReportManager::Next() {
  Level r = Process->Next(1);
  if (r == Level::Notify && Process->RecordsProcessed > 0) {
    Response = Response_Completed;
    Post(ui::Event_CloseWindow);
    return Level::Notify;
  }
  if (r == Level::Notify || r == Level::Fatal) {
    Response = Response_Cancelled;
    Post(ui::Event_CloseWindow);
    return Level::Fatal;
  }
  return Level::Benign;
}

void ReportManager::TakeNoRecords() {
  if (Errors) Errors->Throw(Msg_NoRecords);
}

Level ReportManager::TakeRecord() {
  if (Attributes()) SetDynamicControlsAttributes();
  auto check = [this](Level r) {
    if (r == Level::Fatal) {
      TimerOff();
      Post(ui::Event_CloseWindow);
      // Nothing is printed after a failed record.
      if (Response == 0) Response = Response_Cancelled;
      return Level::Notify;
    }
    return r == Level::Notify ? Level::Notify : Level::Benign;
  };
  Level r = check(Process->TakeRecord());
  if (r != Level::Benign) return r;
  if (Processors) {
    for (RecordProcessor* p : *Processors) {
      r = check(p->TakeRecord());
      if (r != Level::Benign) return r;
    }
  }
  if (Next() != Level::Benign) {
    TimerOff();
    return Level::Notify;
  }
  return Level::Benign;
}

Level ReportManager::TakeWindowEvent() {
  if (engine().event() != ui::Event_Timer) return WindowManager::TakeWindowEvent();
  if (DeferOpenReport && OpenReport() == Level::Benign && Attributes()) SetStaticControlsAttributes();
  if (OpenFailed) return KeepVisible ? Level::Benign : Level::Fatal;
  if (!Process) return WindowManager::TakeWindowEvent();
  const int32_t start = Process->RecordsProcessed;
  const int32_t t0 = Clock();
  if (DeferWindow != 0 && Elapsed(StartTime) > int32_t(DeferWindow) * 100) {
    if (MyWindow) MyWindow->setProp(0, ui::Prop_Hide, 0);
    DeferWindow = 0;
  }
  for (;;) {
    if (UseMRP && Process->View && Process->View->GetProperty(rt::kPropPrefetchCount) == "0")
      Process->View->SetProperty(rt::kPropPrefetchCount, std::to_string(RecordsPerCycle));
    while (Process->RecordsProcessed - start < RecordsPerCycle) {
      Level r = TakeRecord();
      if (r != Level::Benign) return r;
    }
    const int32_t elapsed = Elapsed(t0);
    if (elapsed * 5 < int32_t(TimeSlice) * 4 && RecordsPerCycle < (INT32_MAX / 2)) RecordsPerCycle *= 2;
    if (elapsed * 2 < int32_t(TimeSlice)) continue;
    if (elapsed * 2 > int32_t(TimeSlice) * 3 && RecordsPerCycle > 1) RecordsPerCycle /= 2;
    break;
  }
  return WindowManager::TakeWindowEvent();
}

Level ReportManager::TakeAccepted() {
  if (QueryControl != 0 && engine().field() == QueryControl && Process) Process->TakeLocate();
  return WindowManager::TakeAccepted();
}

Level ReportManager::TakeCloseEvent() {
  if (engine().event() != ui::Event_CloseWindow) return Level::Benign;
  if (waitCursorOn_) {
    engine().setWaitCursor(false);
    waitCursorOn_ = false;
  }
  const bool hide = !KeepVisible && Preview && Report && !SkipPreview;
  if (hide) {
    hiddenFor_ = engine().target();
    if (MyWindow) MyWindow->setProp(0, ui::Prop_Hide, 1);
  }
  Level result = Level::Benign;
  if (Processors) {
    for (RecordProcessor* p : *Processors) {
      Level r = p->TakeClose();
      if (r != Level::Benign) result = r;
    }
  }
  if (result == Level::Benign && !OpenFailed) AskPreview();
  if (Report) Report->close();
  if (hide) {
    ui::Window* w = hiddenFor_ ? hiddenFor_ : MyWindow;
    hiddenFor_ = nullptr;
    // Shown again at its own size: the procedure saves its placement after
    // this, and a zero size would be what the next run restores.
    if (w) {
      engine().setTarget(w);
      w->setProp(0, ui::Prop_Hide, 0);
    }
  }
  return result;
}

void ReportManager::AskPreview() {
  if (Report && Response == Response_Completed && !OpenFailed) {
    if (EndReport() == Level::Benign) {
      if (Preview) {
        if (SkipPreview) {
          PrintReport();
        } else if (Preview->Display(Zoom, 1, 1, 1)) {
          PrintReport();
        } else {
          CancelPrintReport();
        }
        if (Preview->ImageQueue) Preview->ImageQueue->clear();
      } else {
        PrintReport();
        PreviewQueue->clear();
      }
    } else if (Preview && Preview->ImageQueue) {
      Preview->ImageQueue->clear();
    } else if (PreviewQueue) {
      PreviewQueue->clear();
    }
    return;
  }
  EndReport();
}

Level ReportManager::EndReport() {
  if (Report) Report->endPage();
  return Level::Benign;
}

void ReportManager::PrintReport() {
  OutputFileQueue->clear();
  for (const std::string& f : *PreviewQueue)
    if (!f.empty()) OutputFileQueue->push_back(f);
  if (!Report) return;
  Report->setFlushPreview(ProcessResultFiles(*OutputFileQueue) == Level::Benign ? 1 : 0);
}

Level ReportManager::ProcessResultFiles(std::vector<std::string>&) { return Level::Benign; }

void ReportManager::CancelPrintReport() {
  if (Report) Report->setFlushPreview(0);
}

Level ReportManager::Kill() {
  if (Dead || !Process) {
    WindowManager::Kill();
    return Level::Notify;
  }
  PreviewQueue.reset();
  if (Preview) Preview->Kill();
  OutputFileQueue.reset();
  Process->Kill();
  Processors.reset();
  Level r = WindowManager::Kill();
  Process = nullptr;
  return r;
}

}  // namespace fw
