// A report procedure as the application writes one, over a real Kestrel
// file of students, run headless: the progress window's timer events come
// from the headless back-end's virtual clock, the batch clock is a fake the
// record hook advances, pages go to a headless printer, and the preview is
// a double that answers Display as told.
//
//   STUDENTS  0 STU:ID LONG  1 STU:NAME STRING(20)  2 STU:GRADE LONG
//   key 0 STU:K_ID primary (ID), key 1 STU:K_NAME duplicates (NAME)
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/view_manager.h"
#include "framework/report/print_preview_class.h"
#include "framework/report/process_class.h"
#include "framework/report/report_manager.h"
#include "framework/window/field_var.h"
#include "framework/window/step_class.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/report/headless_printer.h"
#include "runtime/ui/report/report.h"
#include "runtime/view/view.h"
#include "runtime/ui/window.h"
#include "tests/framework/data/data_fixture.h"
#include "tests/framework/data/school_dict.h"

namespace fwreport {

using fw::Level;

enum ProgressControl { kPctText = 1, kThermometer = 2, kCancel = 3 };
enum StudentField { kId = 0, kName = 1, kGrade = 2 };
constexpr int32_t kDay = 8640000;

inline std::unique_ptr<rt::DeclaredFile> StudentsFile(const std::string& path) {
  rt::FileDeclBuilder b("STUDENTS", "STU", path);
  b.Long("STU:ID").String("STU:NAME", 20).Long("STU:GRADE");
  b.Key("STU:K_ID", rt::kKeyPrimary, {"STU:ID"});
  b.Key("STU:K_NAME", rt::kKeyDuplicates, {"STU:NAME"});
  return std::make_unique<rt::DeclaredFile>(b.Build());
}

inline ui::WindowDef ProgressWindow() {
  ui::WindowDef d;
  d.title = "Progress...";
  d.name = "Imprimir";
  d.width = 142, d.height = 59;
  d.timer = 10;
  ui::ControlDef pct;
  pct.type = ui::Ctl_Text;
  pct.x = 0, pct.y = 30, pct.width = 141, pct.height = 10;
  d.controls.push_back(pct);
  ui::ControlDef bar;
  bar.type = ui::Ctl_Progress;
  bar.x = 15, bar.y = 15, bar.width = 111, bar.height = 12;
  d.controls.push_back(bar);
  ui::ControlDef cancel;
  cancel.type = ui::Ctl_Button;
  cancel.text = "Cancel";
  cancel.x = 45, cancel.y = 42, cancel.width = 50, cancel.height = 15;
  d.controls.push_back(cancel);
  return d;
}

// One line per student.
inline ui::ReportDef StudentReport() {
  ui::ReportDef d;
  d.title = "Planilla";
  d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
  d.detailX = 4, d.detailY = 30, d.detailWidth = 290, d.detailHeight = 170;
  ui::ReportBand detail{ui::Band_Detail, "detail", 0, 0, 290, 6, {}};
  detail.items.push_back({ui::RItem_Field, "?STU:NAME", "@s20", 4, 1, 81, 4, {}});
  d.bands = {detail};
  return d;
}

// A preview that answers Display without a window.
class FakePreview : public fw::PrintPreviewClass {
 public:
  bool Display(int16_t zoom, int32_t first, uint16_t across, uint16_t down) override {
    ++displays;
    shownPages = Pages();
    zoomAsked = zoom;
    EXPECT_EQ(first, 1);
    EXPECT_EQ(across, 1);
    EXPECT_EQ(down, 1);
    if (onDisplay) onDisplay();
    return answer;
  }
  bool answer = true;
  int displays = 0;
  int32_t shownPages = 0;
  int16_t zoomAsked = 0;
  std::function<void()> onDisplay;
};

class Procedure;

// The application's record processor: prints the detail band.
class ThisReport : public fw::ProcessClass {
 public:
  explicit ThisReport(Procedure& p) : p_(p) {}
  Level TakeRecord() override;
  void UpdateDisplay() override;
  Level Next(uint8_t count) override;
  using fw::ProcessClass::Next;

 private:
  Procedure& p_;
};

class ThisWindow : public fw::ReportManager {
 public:
  explicit ThisWindow(Procedure& p) : p_(p) {}
  fw::Level Init() override;
  fw::Level Kill() override;
  fw::Level TakeWindowEvent() override;
  using fw::ReportManager::Init;

 private:
  Procedure& p_;
};

// Everything one run needs, with the knobs the tests turn.
class Procedure : public fwtest::DataTest {
 protected:
  Procedure() {
    oldBackend = ui::setBackend(&backend);
    oldPrinter = ui::setReportPrinter(&printer);
  }
  ~Procedure() override {
    ui::setBackend(oldBackend);
    ui::setReportPrinter(oldPrinter);
  }

  // A fresh file of `count` students for the next run.
  void Seed(int count) {
    file = StudentsFile(dir.file("STUDENTS" + std::to_string(++files) + ".krl"));
    fwtest::TestAccess seed(file.get(), &errors, {{0, "STU:K_ID", 0}, {1, "STU:K_NAME", 0}});
    ASSERT_EQ(seed.Open(), Level::Benign);
    for (int i = 1; i <= count; ++i) {
      seed.PrimeRecord();
      seed.set(kId, std::to_string(i));
      seed.set(kName, "Student " + std::to_string(i));
      seed.set(kGrade, std::to_string(i % 10));
      ASSERT_EQ(seed.Insert(), Level::Benign);
    }
    seed.Close();
  }

  // Runs the procedure with fresh objects; its response.
  uint8_t Run() {
    printed.clear();
    progressTexts.clear();
    timerEvents = 0;
    process = std::make_unique<ThisReport>(*this);
    manager = std::make_unique<ThisWindow>(*this);
    access = std::make_unique<fwtest::TestAccess>(file.get(), &errors, fwtest::TestAccess::KeyList{{0, "STU:K_ID", 0}, {1, "STU:K_NAME", 0}});
    relate.Init(access.get(), false);
    view = std::make_unique<rt::View>(access->Block());
    nameVar = std::make_unique<fw::FieldVar>(access->ref(kName));
    report = std::make_unique<ui::Report>(StudentReport());
    report->bind("?STU:NAME", nameVar.get());
    uint8_t r = manager->Run();
    window.reset();
    manager.reset();
    process.reset();
    view.reset();
    relate.Kill();
    access.reset();
    return r;
  }

 public:
  fwtest::RecordingErrors& errs() { return errors; }
  fwtest::ScriptPresenter& messages() { return presenter; }
  int files = 0;
  std::unique_ptr<rt::DeclaredFile> file;
  std::unique_ptr<fwtest::TestAccess> access;
  fwtest::TestRelate relate;
  std::unique_ptr<rt::View> view;
  std::unique_ptr<fw::FieldVar> nameVar;
  std::unique_ptr<ui::Report> report;
  std::unique_ptr<ui::Window> window;
  uint8_t percent = 0;

  ui::HeadlessBackend backend;
  ui::Backend* oldBackend = nullptr;
  ui::HeadlessPrinter printer;
  ui::ReportPrinter* oldPrinter = nullptr;
  FakePreview preview;
  bool withPreview = true;
  std::string filter;  // for the view
  fw::StepClass* step = nullptr;  // progress by the student's name
  int sortKey = 0;                 // the view's key

  // The batch clock: each record costs costs[i] centiseconds (the last
  // entry repeats), starting at clockStart.
  int32_t now = 1000;
  std::vector<int32_t> costs{1};

  // Per record: the timer event it was printed in, RecordsPerCycle then,
  // and the view's prefetch count.
  struct Printed {
    int event;
    int32_t perCycle;
    std::string prefetch;
    std::string name;
    bool windowShown;
  };
  std::vector<Printed> printed;
  int timerEvents = 0;
  std::vector<std::string> progressTexts;  // PText after each redisplay
  int failRecordAt = 0;  // TakeRecord answers Fatal for this record (1-based)
  int failReadAt = 0;    // Next answers Fatal when reading this record
  int cancelAt = 0;      // the user presses Cancel while this record prints
  std::function<void(ThisWindow&)> configure;  // after ReportManager.Init

  std::unique_ptr<ThisReport> process;
  std::unique_ptr<ThisWindow> manager;
};

inline Level ThisReport::TakeRecord() {
  Level r = ProcessClass::TakeRecord();
  if (r != Level::Benign) return r;
  size_t i = p_.printed.size();
  p_.now = (p_.now + p_.costs[std::min(i, p_.costs.size() - 1)]) % kDay;
  p_.printed.push_back({p_.timerEvents, p_.manager->RecordsPerCycle, View->GetProperty(rt::kPropPrefetchCount),
                        p_.access->text(kName), p_.window->prop(0, ui::Prop_Visible).toInt() != 0});
  if (p_.failRecordAt != 0 && int(p_.printed.size()) == p_.failRecordAt) return Level::Fatal;
  if (p_.cancelAt != 0 && int(p_.printed.size()) == p_.cancelAt) p_.window->inputClick(kCancel, 1);
  p_.report->print(1);
  return Level::Benign;
}

inline void ThisReport::UpdateDisplay() {
  ProcessClass::UpdateDisplay();
  if (p_.window) p_.progressTexts.push_back(p_.window->prop(PText, ui::Prop_Text).toString());
}

inline Level ThisReport::Next(uint8_t count) {
  if (p_.failReadAt != 0 && RecordsProcessed + 1 == p_.failReadAt) return Level::Fatal;
  return ProcessClass::Next(count);
}

inline Level ThisWindow::Init() {
  Level r = WindowManager::Init();
  if (r != Level::Benign) return r;
  Errors = &p_.errs();
  p_.relate.Open();
  FilesOpened = 1;
  p_.window = std::make_unique<ui::Window>(ProgressWindow());
  Open(*p_.window);
  p_.process->Init(p_.view.get(), &p_.relate, kPctText, &p_.percent, p_.step, p_.step ? p_.access->ref(kName) : rt::FieldRef{});
  p_.process->AddSortOrder(p_.sortKey);
  if (!p_.filter.empty()) p_.process->SetFilter(p_.filter);
  AddItem(kCancel, fw::Response_Cancelled);
  ReportManager::Init(p_.process.get(), p_.report.get(), p_.withPreview ? &p_.preview : nullptr);
  Clock = [this] { return p_.now; };
  if (p_.configure) p_.configure(*this);
  SetAlerts();
  return Level::Benign;
}

inline Level ThisWindow::Kill() {
  if (ReportManager::Kill() != Level::Benign) return Level::Notify;
  if (FilesOpened) p_.relate.Close();
  FilesOpened = 0;
  return Level::Benign;
}

inline Level ThisWindow::TakeWindowEvent() {
  if (ui::Engine::current().event() == ui::Event_Timer) ++p_.timerEvents;
  return ReportManager::TakeWindowEvent();
}

}  // namespace fwreport
