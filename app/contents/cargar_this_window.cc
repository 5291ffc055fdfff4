#include "app/contents/cargar_this_window.h"

#include <optional>
#include <string>
#include <vector>

#include "app/contents/cargar_contenido_window.h"
#include "app/dictionary/globals.h"
#include "framework/window/request_codes.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/window.h"

namespace app::contents {

namespace {

constexpr const char* kProcedure = "Cargar_Contenido";
constexpr int32_t kCtrlH = 584;
constexpr int32_t kContentField = 8;   // QVAP:CONTENIDO_PRIORIZADO
constexpr int32_t kLearningField = 9;  // the memo, counted after the eight fields

// The content last completed on this thread, for the history key; the
// memo is kept beside the record, which holds no memo text.
thread_local std::vector<uint8_t> savedRecord;
thread_local std::optional<std::string> savedLearning;

int Memo(const rt::FileControlBlock& b) { return b.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO"); }

}  // namespace

CargarThisWindow::CargarThisWindow(ui::Window& window) : ProcedureWindow(kProcedure, window) {}

fw::Level CargarThisWindow::Init() {
  fw::Level r = ProcedureWindow::Init();
  if (r != fw::Level::Benign) return r;
  FirstField = CONTENIDO_PROMPT;
  AddItem(&toolbar_);
  HistoryKey = kCtrlH;
  AddHistoryFile(Access_QVAPRENDE->Block(), savedRecord);
  AddHistoryField(CONTENIDO, kContentField);
  AddHistoryField(APRENDIZAJE, kLearningField);
  AddUpdateFile(Access_QVAPRENDE);
  AddItem(CANCEL, fw::Response_Cancelled);
  r = OpenFiles({Relate_QVAPRENDE, Relate_QVMATERIAS});
  if (r != fw::Level::Benign) return r;
  Primary = Relate_QVAPRENDE;
  if (Request == fw::Request_View && !BatchProcessing) {
    InsertAction_ = 1;
    DeleteAction_ = 1;
    ChangeAction_ = 1;
    CancelAction = 0;
    OKControl = 0;
  } else {
    DeleteAction_ = 4;
    ChangeAction_ = 2;
    CancelAction = 0;
    OKControl = OK;
    if (PrimeUpdate() != fw::Level::Benign) return fw::Level::Notify;
  }
  Open(window_);
  RestorePosition();
  AddItem(&updateTarget_);
  SetAlerts();
  return fw::Level::Benign;
}

uint8_t CargarThisWindow::Run() {
  uint8_t response = WindowManager::Run();
  if (Request == fw::Request_View) response = fw::Response_Cancelled;
  return response;
}

fw::Level CargarThisWindow::TakeWindowEvent() {
  fw::Level r = WindowManager::TakeWindowEvent();
  if (ui::Engine::current().event() == ui::Event_OpenWindow) FillFromSubject();
  return r;
}

void CargarThisWindow::FillFromSubject() {
  rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  rt::FileControlBlock& ap = Access_QVAPRENDE->Block();
  auto copy = [&](const char* to, const char* from) {
    rt::assignValue(rt::findFieldRef(ap, to), rt::findFieldRef(m, from));
  };
  copy("QVAP:COD_MATERIA", "QVM:NRO_REGISTRO");
  copy("QVAP:COD_CURSO", "QVM:COD_CURSO");
  copy("QVAP:COD_DOCENTE", "QVM:COD_PROFESOR");
  // The order number counts the contents of every subject; the field holds
  // its low 16 bits.
  const int64_t count = rt::Records(ap);
  rt::setInteger(ap, ap.decl().findField("QVAP:NRO_ORDEN"), int16_t(uint16_t(count < 0 ? 0 : count)));
  copy("QVAP:MATERIAS", "QVM:MATERIA");
  copy("QVAP:DOCENTE", "QVM:PROFESOR");
  window_.display();
}

fw::Level CargarThisWindow::TakeAccepted() {
  fw::Level r = WindowManager::TakeAccepted();
  if (r != fw::Level::Benign) return r;
  if (ui::Engine::current().field() == OK) {
    Update();
    if (Request == fw::Request_View && !BatchProcessing) Post(ui::Event_CloseWindow);
  }
  return fw::Level::Benign;
}

fw::Level CargarThisWindow::TakeCompleted() {
  savedLearning = rt::getMemo(Access_QVAPRENDE->Block(), Memo(Access_QVAPRENDE->Block()));
  return WindowManager::TakeCompleted();
}

void CargarThisWindow::RestoreField(int32_t control) {
  if (control != APRENDIZAJE) {
    WindowManager::RestoreField(control);
    return;
  }
  if (!savedLearning) return;
  rt::setMemo(Access_QVAPRENDE->Block(), Memo(Access_QVAPRENDE->Block()), *savedLearning);
  window_.display(APRENDIZAJE);
}

void CargarThisWindow::Update() {
  WindowManager::Update();
  window_.update();
}

}  // namespace app::contents
