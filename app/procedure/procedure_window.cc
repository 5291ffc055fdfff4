#include "app/procedure/procedure_window.h"

#include <utility>

#include "app/dictionary/globals.h"
#include "framework/data/relation_manager.h"
#include "framework/window/window_placement.h"

namespace app {

template <class Manager>
ProcedureWindow<Manager>::ProcedureWindow(std::string procedure, ui::Window& window)
    : window_(window), procedure_(std::move(procedure)) {}

template <class Manager>
fw::Level ProcedureWindow<Manager>::Init() {
  GlobalErrors.SetProcedureName(procedure_);
  this->Request = GlobalRequest;
  const fw::Level r = Manager::Init();
  if (r != fw::Level::Benign) return r;
  this->VCRRequest = &app::VCRRequest;
  this->Errors = &GlobalErrors;
  GlobalRequest = 0;
  GlobalResponse = 0;
  return fw::Level::Benign;
}

template <class Manager>
fw::Level ProcedureWindow<Manager>::OpenFiles(std::initializer_list<fw::RelationManager*> files) {
  for (fw::RelationManager* file : files) {
    const fw::Level r = file->Open();
    if (r != fw::Level::Benign) {
      CloseFiles();
      return r;
    }
    opened_.push_back(file);
  }
  this->FilesOpened = 1;
  return fw::Level::Benign;
}

template <class Manager>
void ProcedureWindow<Manager>::CloseFiles() {
  for (fw::RelationManager* file : opened_) file->Close();
  opened_.clear();
}

template <class Manager>
void ProcedureWindow<Manager>::RestorePosition() {
  fw::RestoreWindowPosition(INIMgr, procedure_, window_);
}

template <class Manager>
fw::Level ProcedureWindow<Manager>::Kill() {
  // Init ran and this is the first Kill since. The report manager refuses
  // its own part when its report never started (the files did not open),
  // yet the procedure's name and files are this class's to release.
  const bool live = !this->Dead && this->CL;
  const fw::Level r = Manager::Kill();
  if (!live) return fw::Level::Notify;
  CloseFiles();
  if (this->Opened) fw::SaveWindowPosition(INIMgr, procedure_, window_);
  GlobalErrors.SetProcedureName();
  return r == fw::Level::Benign ? fw::Level::Benign : fw::Level::Notify;
}

template class ProcedureWindow<fw::WindowManager>;
template class ProcedureWindow<fw::ReportManager>;

}  // namespace app
