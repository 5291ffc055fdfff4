// The common part of the program's procedure windows, over the plain window
// manager or the report manager:
//
//   class ThisWindow : public app::ProcedureWindow<fw::WindowManager> {
//     fw::Level Init() override {
//       fw::Level r = ProcedureWindow::Init();
//       if (r != fw::Level::Benign) return r;
//       FirstField = ...;  AddItem(&toolbar_);
//       r = OpenFiles({Relate_QVAPRENDE, Relate_QVMATERIAS});
//       if (r != fw::Level::Benign) return r;
//       Open(window);  RestorePosition();  ...  SetAlerts();
//       return fw::Level::Benign;
//     }
//   };
//
// Init names the procedure to the error manager (popped again by Kill),
// takes the request the caller left in GlobalRequest, links the program's
// error manager and navigation request, and clears GlobalRequest and
// GlobalResponse for the procedures this one calls. OpenFiles opens the
// relation managers in order; when one fails, the ones opened before it are
// closed again at once, so nothing stays open and Kill closes nothing.
// Kill closes the opened files in the order they were opened and keeps the
// window's position, size and state in "QVAPP.INI" under the procedure's
// name when the window was opened.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/data/level.h"
#include "framework/report/report_manager.h"
#include "framework/window/window_manager.h"

namespace fw {
class RelationManager;
}
namespace ui {
class Window;
}

namespace app {

template <class Manager>
class ProcedureWindow : public Manager {
 public:
  // `procedure` names the procedure to the error manager and the settings
  // file; `window` is the one the procedure opens.
  ProcedureWindow(std::string procedure, ui::Window& window);

  using Manager::Init;
  fw::Level Init() override;
  fw::Level Kill() override;

  const std::string& ProcedureName() const { return procedure_; }

 protected:
  // Opens `files` in order and sets FilesOpened. The first that fails ends
  // it: the ones before it are closed again and its level is returned.
  fw::Level OpenFiles(std::initializer_list<fw::RelationManager*> files);
  // Puts the window where it was when the procedure last ended; after
  // Open(window).
  void RestorePosition();

  ui::Window& window_;

 private:
  void CloseFiles();

  std::string procedure_;
  std::vector<fw::RelationManager*> opened_;  // in the order opened
};

extern template class ProcedureWindow<fw::WindowManager>;
extern template class ProcedureWindow<fw::ReportManager>;

}  // namespace app
