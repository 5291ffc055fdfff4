#include "app/followup/this_window.h"

#include <cstdlib>
#include <string>

#include "app/dictionary/globals.h"
#include "app/followup/follow_up_procedure.h"
#include "app/followup/grade_row_fields.h"
#include "app/followup/historial_procedure.h"
#include "app/followup/recalculate_subject.h"
#include "app/followup/sync_follow_up.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "framework/window/request_codes.h"
#include "runtime/core/file_field.h"
#include "runtime/core/windows1252.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/window.h"

namespace app::followup {

namespace {
constexpr const char* kProcedure = "Ventana_Seguimiento_Notas";

rt::FieldRef Ref(fw::FileManager* access, const char* label) { return rt::findFieldRef(access->Block(), label); }
int KeyOf(fw::FileManager* access, const char* label) { return access->Block().decl().findKey(label); }
}  // namespace

ThisWindow::ThisWindow(FollowUpProcedure& procedure) : ProcedureWindow(kProcedure, procedure.window), p_(procedure) {}

fw::Level ThisWindow::Init() {
  fw::Level r = ProcedureWindow::Init();
  if (r != fw::Level::Benign) return r;
  // The grade list holds the keyboard from the start: arrows and "&Editar"
  // act on it at once (the teacher's name, the first control, takes no focus).
  FirstField = LIST_2;
  AddItem(&toolbar_);
  r = OpenFiles({Relate_QVAPRENDE, Relate_QVALUAP, Relate_QVLIBRETA, Relate_QVMATERIAS, Relate_QVSEGUIR});
  if (r != fw::Level::Benign) return r;
  {
    rt::FileControlBlock& m = Access_QVMATERIAS->Block();
    p_.Teacher = int32_t(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0));
  }
  // The lists need the window's controls, so the window opens first.
  Open(p_.window);
  p_.BRW1.Init(LIST, &p_.Queue1, &p_.View1, Relate_QVMATERIAS, this);
  p_.BRW2.Init(LIST_2, &p_.Queue2, &p_.View2, &p_.BookSave, this);
  p_.BRW4.Init(LIST_3, &p_.Queue4, &p_.View4, Relate_QVALUAP, this);
  p_.BRW5.Init(LIST_4, &p_.Queue5, &p_.View5, Relate_QVSEGUIR, this);
  RestorePosition();
  // Tab 2 exists and works either way; only a school's setting shows it.
  if (FollowUpShowsContentsTab()) p_.window.unhide(TAB2);
  SetUpLists();
  p_.BRW1.AddToolbarTarget(&toolbar_);
  p_.BRW2.AddToolbarTarget(&toolbar_);
  p_.BRW4.AddToolbarTarget(&toolbar_);
  p_.BRW5.AddToolbarTarget(&toolbar_);
  // Before SetAlerts, so that the browse's own entries come after it.
  p_.BRW2.Popup->AddItemEvent("Historial", Event_ShowHistory, LIST_2);
  SetAlerts();
  return fw::Level::Benign;
}

void ThisWindow::SetUpLists() {
  fw::FileManager* m = Access_QVMATERIAS;
  fw::FileManager* l = Access_QVLIBRETA;
  fw::FileManager* a = Access_QVALUAP;
  fw::FileManager* g = Access_QVSEGUIR;

  // BRW1: the signed-in teacher's subjects (QVM:DNI_DOCENTE as the sign-in left it).
  fw::BrowseClass& b1 = p_.BRW1;
  b1.AddSortOrder(nullptr, KeyOf(m, "QVM:CLAVE_DNI_PROFESOR"));
  b1.AddRange(Ref(m, "QVM:DNI_DOCENTE"));
  p_.Locator1.Init(0, Ref(m, "QVM:DNI_DOCENTE"), true, &b1);
  b1.AddLocator(&p_.Locator1);
  int n = 1;
  for (const char* f : {"QVM:MATERIA", "QVM:CICLO", "QVM:CURSO", "QVM:DIVISION", "QVM:ESPECIALIDAD",
                        "QVM:DNI_DOCENTE", "QVM:NRO_REGISTRO", "QVM:COD_CURSO", "QVM:NRO_ORDEN"})
    b1.AddField(Ref(m, f), p_.Queue1.Field(n++));

  // BRW2: the selected subject's grade book.
  fw::BrowseClass& b2 = p_.BRW2;
  b2.AddSortOrder(nullptr, KeyOf(l, "QVL:CLAVE_MATERIA"));
  b2.AddRange(Ref(l, "QVL:COD_MATERIA"), Ref(m, "QVM:NRO_REGISTRO"));
  p_.Locator2.Init(0, Ref(l, "QVL:COD_MATERIA"), false, &b2);
  b2.AddLocator(&p_.Locator2);
  n = 1;
  for (const char* f : {"QVL:NRO_LEGAJO", "QVL:ALUMNO", "QVL:ETAPA1", "QVL:ETAPA2", "QVL:ETAPA3", "QVL:ETAPA4",
                        "QVL:ETAPA5", "QVL:ETAPA6", "QVL:ETAPA7", "QVL:ETAPA8", "QVL:ETAPA9", "QVL:ETAPA10",
                        "QVL:ETAPA11", "QVL:ETAPA12", "QVL:FINAL", "QVL:COD_MATERIA", "QVL:NRO_REGISTRO",
                        "QVL:DICIEMBRE", "QVL:MARZO", "QVL:ETADO", "QVL:AC", "QVL:AM"})
    b2.AddField(Ref(l, f), p_.Queue2.Field(n++));

  // BRW4: the students of the subject's course.
  fw::BrowseClass& b4 = p_.BRW4;
  b4.AddSortOrder(nullptr, KeyOf(a, "QVA:CLAVE_TIPO_CURSO_DIVISION"));
  b4.AddRange(Ref(a, "QVA:COD_CURSO"), Ref(m, "QVM:COD_CURSO"));
  p_.Locator4.Init(0, Ref(a, "QVA:APELLIDO_NOMBRE"), true, &b4);
  b4.AddLocator(&p_.Locator4);
  n = 1;
  for (const char* f : {"QVA:APELLIDO_NOMBRE", "QVA:LEGAJO", "QVA:DNI", "QVA:SEXO", "QVA:COD_CURSO"})
    b4.AddField(Ref(a, f), p_.Queue4.Field(n++));

  // BRW5: the selected student's follow-up of the current subject.
  FollowUpBrowse& b5 = p_.BRW5;
  b5.AddSortOrder(nullptr, KeyOf(g, "QVG:CLAVE_LEGAJO_ORDEN_MATERIA"));
  b5.AddRange(Ref(g, "QVG:NRO_LEGAJO"), Ref(a, "QVA:LEGAJO"));
  p_.Locator5.Init(0, Ref(g, "QVG:NRO_ORDEN"), false, &b5);
  b5.AddLocator(&p_.Locator5);
  b5.SetFilter("(QVG:COD_MATERIA = QVM:NRO_REGISTRO)");
  n = 1;
  for (const char* f : {"QVG:CONTENIDO_PRIORIZADO", "", "QVG:LOGRADO", "QVG:PENDIENTE", "QVG:VALORACION_FINAL",
                        "QVG:NRO_ORDEN", "QVG:ALUMNO", "QVG:NRO_LEGAJO", "QVG:COD_MATERIA", "QVG:NRO_ORDEN",
                        "QVG:NRO_REGISTRO"}) {
    if (*f) b5.AddField(Ref(g, f), p_.Queue5.Field(n));  // column 2, the memo, is SetQueueRecord's
    ++n;
  }

  if (Request != fw::Request_View) {
    b2.InsertControl = INSERT;
    b2.ChangeControl = CHANGE;
    b2.DeleteControl = DELETE;
    b5.InsertControl = INSERT_2;
    b5.ChangeControl = CHANGE_2;
    b5.DeleteControl = DELETE_2;
  }
  // Grades typed in place: columns 3 to 12 and 14 (Prom. OLE, 13, is the rule's).
  b2.TabAction = 1;
  b2.EnterAction = 1;
  b2.DeleteAction = 1;
  b2.ArrowAction = 25;
  fw::EditClass* gradeEdits[22] = {nullptr,
                                   nullptr,
                                   &p_.Edit_QVL_ETAPA1,
                                   &p_.Edit_QVL_ETAPA2,
                                   &p_.Edit_QVL_ETAPA3,
                                   &p_.Edit_QVL_ETAPA4,
                                   &p_.Edit_QVL_ETAPA5,
                                   &p_.Edit_QVL_ETAPA6,
                                   &p_.Edit_QVL_ETAPA7,
                                   &p_.Edit_QVL_ETAPA8,
                                   &p_.Edit_QVL_ETAPA9,
                                   &p_.Edit_QVL_ETAPA10,
                                   nullptr,
                                   &p_.Edit_QVL_ETAPA12};
  for (int c = 1; c <= 22; ++c) b2.AddEditControl(gradeEdits[c - 1], c);
  // Follow-up marks typed in place: columns 3 to 5.
  b5.TabAction = 9;
  b5.EnterAction = 1;
  b5.DeleteAction = 1;
  b5.FocusLossAction = 1;
  b5.ArrowAction = 25;
  fw::EditClass* markEdits[11] = {nullptr, nullptr, &p_.Edit_QVG_LOGRADO, &p_.Edit_QVG_PENDIENTE,
                                  &p_.Edit_QVG_VALORACION_FINAL};
  for (int c = 1; c <= 11; ++c) b5.AddEditControl(markEdits[c - 1], c);
  // No edit entries in the lists' popup menus.
  b2.EditViaPopup = false;
  b5.EditViaPopup = false;
}

fw::Level ThisWindow::TakeAccepted() {
  fw::Level r = WindowManager::TakeAccepted();
  if (r != fw::Level::Benign) return r;
  switch (ui::Engine::current().field()) {
    case BUTTON10:
      Update();
      if (p_.Imprimir_Planilla_Informe_Progreso) p_.Imprimir_Planilla_Informe_Progreso();
      Reset(0);
      break;
    case BUTTON9:
      Update();
      if (p_.Imprimir_Planilla_Informe_Contenidos) p_.Imprimir_Planilla_Informe_Contenidos();
      Reset(0);
      break;
    case BUTTON5:
      Update();
      if (p_.ABM_Contenidos) p_.ABM_Contenidos();
      SyncFollowUp();
      // The follow-up records changed under the lists: reload them.
      Reset(1);
      p_.window.display();
      break;
    case BUTTON3:
      Update();
      Recalculate();
      return fw::Level::Fatal;
    default:
      break;
  }
  return fw::Level::Benign;
}

fw::Level ThisWindow::TakeEvent() {
  const fw::Level r = WindowManager::TakeEvent();
  if (r != fw::Level::Benign || !p_.window.isOpen()) return r;
  // The record buffer holds the highlighted row as stored.
  std::string text;
  if (p_.BRW2.Records() > 0) text = GradeRowFields(Access_QVLIBRETA->Block()).Explanation();
  p_.StatusLine.Show(p_.window, text);
  return r;
}

fw::Level ThisWindow::TakeFieldEvent() {
  ui::Engine& e = ui::Engine::current();
  if (e.event() == Event_ShowHistory && e.field() == LIST_2) {
    ShowHistory();
    return fw::Level::Notify;
  }
  return WindowManager::TakeFieldEvent();
}

void ThisWindow::ShowHistory() {
  fw::BrowseClass& b = p_.BRW2;
  if (b.Records() == 0 || b.CurrentChoice < 1 || b.CurrentChoice > p_.Queue2.rowCount()) return;
  // The row as the list shows it: its subject and student are its key.
  const int row = b.CurrentChoice;
  const int32_t student = int32_t(std::atol(p_.Queue2.value(row, 1).c_str()));
  const int32_t subject = int32_t(std::atol(p_.Queue2.value(row, 16).c_str()));
  std::string name = rt::windows1252ToUtf8(p_.Queue2.value(row, 2));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  HistorialProcedure history(subject, student, std::to_string(student) + "  " + name);
  history.Run(&p_.window);
}

void ThisWindow::Recalculate() {
  rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  const int32_t subject = int32_t(rt::getInteger(m, m.decl().findField("QVM:NRO_REGISTRO")).value_or(0));
  RecalculateSubject(subject, p_.Work, GradeAuthor{.dni = p_.Teacher, .program = {}});
}

void ThisWindow::Update() {
  WindowManager::Update();
  p_.window.update();
}

}  // namespace app::followup
