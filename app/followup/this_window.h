// The follow-up window's manager: opens the five files, sets up the four
// lists (sort order, range, locator, columns, filter), links them through
// the record buffers and runs the buttons.
//
// Linking: choosing a subject in BRW1 loads it into the QVMATERIAS buffer;
// the ranges of BRW2 (QVM:NRO_REGISTRO) and BRW4 (QVM:COD_CURSO) then differ
// from the values their pages were loaded with and the window's automatic
// reset reloads them; choosing a student in BRW4 does the same for BRW5,
// whose filter also requires the current subject.
//
// The grade book's popup menu has "Historial": the highlighted row's grade
// history in a small window of its own (HistorialProcedure).
//
// "Salir" recalculates and saves every grade-book row of the subject (with
// its grade history) and ends the window; closing it any other way does not.
#pragma once

#include <string>

#include "app/procedure/procedure_window.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_manager.h"

namespace app::followup {

class FollowUpProcedure;

// Posted to the grade book when its popup's "Historial" is chosen: a field
// event code (below 256) that the engine itself does not use.
inline constexpr int Event_ShowHistory = 0xF0;

class ThisWindow : public ProcedureWindow<fw::WindowManager> {
 public:
  explicit ThisWindow(FollowUpProcedure& procedure);

  fw::Level Init() override;
  fw::Level TakeAccepted() override;
  // Then shows why the highlighted grade-book row has its status.
  fw::Level TakeEvent() override;
  fw::Level TakeFieldEvent() override;
  // The components' update, then the screen's values into the variables.
  void Update() override;

 private:
  void SetUpLists();
  void Recalculate();
  void ShowHistory();

  FollowUpProcedure& p_;
  fw::ToolbarClass toolbar_;
};

}  // namespace app::followup
