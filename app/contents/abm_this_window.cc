#include "app/contents/abm_this_window.h"

#include "app/contents/abm_contenidos_procedure.h"
#include "app/contents/abm_contenidos_window.h"
#include "app/contents/cargar_contenido_procedure.h"
#include "app/dictionary/globals.h"
#include "framework/window/request_codes.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/window.h"

namespace app::contents {

namespace {
constexpr const char* kProcedure = "ABM_CONTENIDOS";
}  // namespace

AbmThisWindow::AbmThisWindow(AbmContenidosProcedure& procedure)
    : ProcedureWindow(kProcedure, procedure.window), p_(procedure) {}

fw::Level AbmThisWindow::Init() {
  fw::Level r = ProcedureWindow::Init();
  if (r != fw::Level::Benign) return r;
  FirstField = QVM_MATERIA;
  AddItem(&toolbar_);
  r = OpenFiles({Relate_QVAPRENDE, Relate_QVMATERIAS});
  if (r != fw::Level::Benign) return r;
  rt::FileControlBlock& ap = Access_QVAPRENDE->Block();
  p_.brw.Init(LIST, &p_.queue, &p_.view, Relate_QVAPRENDE, this);
  Open(p_.window);
  RestorePosition();
  p_.brw.AddSortOrder(nullptr, ap.decl().findKey("QVAP:CLAVE_LEGAJO_ORDEN_MATERIA"));
  p_.brw.SetFilter("(QVM:NRO_REGISTRO = QVAP:COD_MATERIA)");
  p_.locator.Init(LIST, rt::findFieldRef(ap, "QVAP:NRO_ORDEN"), false, &p_.brw);
  p_.brw.AddLocator(&p_.locator);
  int column = 1;
  for (const char* label : {"QVAP:CONTENIDO_PRIORIZADO", "", "QVAP:DOCENTE", "QVAP:MATERIAS", "QVAP:NRO_ORDEN",
                            "QVAP:COD_DOCENTE", "QVAP:COD_CURSO", "QVAP:COD_MATERIA", "QVAP:NRO_REGISTRO"}) {
    // The memo's column is filled by the browse itself.
    if (*label) p_.brw.AddField(rt::findFieldRef(ap, label), p_.queue.Field(column));
    ++column;
  }
  p_.brw.AskProcedure = 1;
  if (Request != fw::Request_View) {
    p_.brw.InsertControl = INSERT;
    p_.brw.ChangeControl = CHANGE;
    p_.brw.DeleteControl = DELETE;
  }
  p_.brw.AddToolbarTarget(&toolbar_);
  SetAlerts();
  return fw::Level::Benign;
}

uint8_t AbmThisWindow::Run(uint16_t number, uint8_t request) {
  uint8_t response = WindowManager::Run(number, request);
  if (Request == fw::Request_View) return fw::Response_Cancelled;
  GlobalRequest = request;
  if (p_.form)
    p_.form();
  else
    Cargar_Contenido();
  (void)response;
  return GlobalResponse;
}

fw::Level AbmThisWindow::TakeAccepted() {
  fw::Level r = WindowManager::TakeAccepted();
  if (r != fw::Level::Benign) return r;
  if (ui::Engine::current().field() == BUTTON1) {
    Update();
    return fw::Level::Fatal;
  }
  return fw::Level::Benign;
}

}  // namespace app::contents
