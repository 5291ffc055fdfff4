// Ventana_Seguimiento_Notas, the follow-up window's procedure: the window,
// its four lists (row layouts, views, browses, locators), the rule's working
// variables and the procedures its buttons call. Ventana_Seguimiento_Notas()
// makes one and runs it; tests make their own to drive the window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/followup/grade_book_save.h"
#include "app/followup/grade_edit_classes.h"
#include "app/graderules/grade_rules.h"
#include "framework/window/browse_class.h"
#include "framework/window/record_queue.h"
#include "framework/window/step_locator_class.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"
#include "runtime/view/view.h"

namespace app::followup {

// The follow-up list: its second column shows the first 255 characters of
// the learning memo, which a field pair cannot copy.
class FollowUpBrowse : public fw::BrowseClass {
 public:
  void SetQueueRecord() override;
  fw::RecordQueue* Rows = nullptr;
};

// The "QVAPP.INI" switch that shows tab 2 ("Contenidos"), off unless the
// school sets it: [Ventana_Seguimiento_Notas] MostrarContenidos=1.
inline constexpr const char* kShowContentsSector = "Ventana_Seguimiento_Notas";
inline constexpr const char* kShowContentsName = "MostrarContenidos";
bool FollowUpShowsContentsTab();

class FollowUpProcedure {
 public:
  // Needs the thread's dictionary (DctInit).
  FollowUpProcedure();
  ~FollowUpProcedure();
  // Opens the window, runs ThisWindow, stores its response in
  // GlobalResponse and closes the window.
  void Run();

  ui::Window window;

  // The grade rule's working variables and the synchronisation's flag.
  GradeRuleWork Work;
  int32_t HUERFANO = 0;

  // The procedures the buttons call (the two sheets and the contents
  // maintenance); tests put their own in.
  std::function<void()> Imprimir_Planilla_Informe_Progreso;
  std::function<void()> Imprimir_Planilla_Informe_Contenidos;
  std::function<void()> ABM_Contenidos;

  // The signed-in teacher (QVM:DNI_DOCENTE at open), who signs the grade history.
  int32_t Teacher = 0;

  fw::RecordQueue Queue1, Queue2, Queue4, Queue5;
  rt::View View1, View2, View4, View5;
  fw::BrowseClass BRW1, BRW2, BRW4;
  FollowUpBrowse BRW5;
  fw::StepLocatorClass Locator1, Locator2, Locator4, Locator5;
  // BRW2's primary: saves a row with its grade history.
  GradeBookSave BookSave{&Teacher};

  // Why the grade-book row the teacher is on has its status (the status bar).
  GradeStatusLine StatusLine;

  // The edit classes of BRW2 (on the list row's fields) and BRW5.
  EditInPlace_QVL_ETAPA1 Edit_QVL_ETAPA1{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA2 Edit_QVL_ETAPA2{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA3 Edit_QVL_ETAPA3{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA4 Edit_QVL_ETAPA4{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA5 Edit_QVL_ETAPA5{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA6 Edit_QVL_ETAPA6{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA7 Edit_QVL_ETAPA7{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA8 Edit_QVL_ETAPA8{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA9 Edit_QVL_ETAPA9{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA10 Edit_QVL_ETAPA10{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVL_ETAPA12 Edit_QVL_ETAPA12{Queue2.Buffer(), Work, &StatusLine};
  EditInPlace_QVG_LOGRADO Edit_QVG_LOGRADO;
  EditInPlace_QVG_PENDIENTE Edit_QVG_PENDIENTE;
  EditInPlace_QVG_VALORACION_FINAL Edit_QVG_VALORACION_FINAL;

 private:
  std::vector<std::unique_ptr<ui::UseVar>> vars_;
};

}  // namespace app::followup
