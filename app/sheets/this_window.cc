#include "app/sheets/this_window.h"

#include "app/dictionary/globals.h"
#include "app/sheets/progress_window.h"
#include "app/sheets/sheet_printer.h"
#include "app/sheets/sheet_procedure.h"
#include "app/sheets/this_report.h"
#include "framework/report/print_preview_class.h"
#include "framework/window/request_codes.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/property_ids.h"
#include "runtime/ui/window.h"

namespace app::sheets {

ThisWindow::ThisWindow(SheetProcedure& procedure)
    : ProcedureWindow(WalkOf(procedure.sheet).procedure, procedure.window), p_(procedure) {}

fw::Level ThisWindow::Init() {
  const SheetWalk& walk = WalkOf(p_.sheet);
  fw::Level r = ProcedureWindow::Init();
  if (r != fw::Level::Benign) return r;
  FirstField = Progress_Thermometer;
  fw::RelationManager* walked = p_.Walked();
  // The progress sheet opens the grade book first, the contents sheet the
  // subjects first.
  if (p_.sheet == Sheet::Progress)
    r = OpenFiles({walked, Relate_QVMATERIAS});
  else
    r = OpenFiles({Relate_QVMATERIAS, walked});
  if (r != fw::Level::Benign) return r;
  Open(p_.window);
  RestorePosition();
  p_.window.setProp(0, ui::Prop_Timer, 10);
  p_.step.Init(5, 3);
  rt::FileControlBlock& block = walked->Me->Block();
  p_.process->Init(p_.view.get(), walked, Progress_PctText, &p_.percent, &p_.step,
                   rt::findFieldRef(block, walk.stepField));
  p_.process->AddSortOrder(block.decl().findKey(walk.key));
  p_.process->AddRange(rt::findFieldRef(block, walk.rangeField));
  AddItem(Progress_Cancel, fw::Response_Cancelled);
  ReportManager::Init(p_.process.get(), &p_.printer->report(), p_.preview);
  p_.window.setProp(Progress_UserString, ui::Prop_Text, std::string());
  walked->SetQuickScan(true, 1);
  SkipPreview = 0;
  if (p_.preview) {
    p_.preview->SetINIManager(&INIMgr);
    p_.preview->AllowUserZoom = 1;
  }
  SetAlerts();
  return fw::Level::Benign;
}

fw::Level ThisWindow::Kill() {
  const fw::Level r = ProcedureWindow::Kill();
  if (r == fw::Level::Benign) p_.step.Kill();
  return r;
}

}  // namespace app::sheets
