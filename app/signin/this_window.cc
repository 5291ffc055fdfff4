#include "app/signin/this_window.h"

#include "app/dictionary/globals.h"
#include "app/signin/signin_window.h"
#include "runtime/core/file_field.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/window.h"

namespace app::signin {

namespace {
constexpr const char* kProcedure = "Main";
constexpr const char* kNotFound = "No encontrado .....";
}  // namespace

ThisWindow::ThisWindow(ui::Window& window, int32_t& dni, int32_t& fnac, std::function<void()> followUp)
    : ProcedureWindow(kProcedure, window), dni_(dni), fnac_(fnac), followUp_(std::move(followUp)) {}

fw::Level ThisWindow::Init() {
  fw::Level r = ProcedureWindow::Init();
  if (r != fw::Level::Benign) return r;
  FirstField = STRING1;
  AddItem(&toolbar_);
  r = OpenFiles({Relate_QVMATERIAS});
  if (r != fw::Level::Benign) return r;
  Open(window_);
  RestorePosition();
  SetAlerts();
  return fw::Level::Benign;
}

fw::Level ThisWindow::TakeWindowEvent() {
  fw::Level r = WindowManager::TakeWindowEvent();
  if (ui::Engine::current().event() == ui::Event_OpenWindow) {
    window_.hide(BUTTON2);
    // The first field is the prompt, which cannot hold the focus: the
    // keyboard goes to the entry that follows it, where the teacher types.
    if (window_.focus() == STRING1) window_.select(AUXILIAR_DNI);
  }
  return r;
}

fw::Level ThisWindow::TakeFieldEvent() {
  fw::Level r = WindowManager::TakeFieldEvent();
  if (ui::Engine::current().field() == AUXILIAR_DNI) LookUpTeacher();
  return r;
}

fw::Level ThisWindow::TakeAccepted() {
  fw::Level r = WindowManager::TakeAccepted();
  if (r != fw::Level::Benign) return r;
  switch (ui::Engine::current().field()) {
    case BUTTON2:
      Update();
      if (PasswordMatches()) {
        if (followUp_) followUp_();
        return fw::Level::Fatal;
      }
      window_.display();
      break;
    case BUTTON3:
      Update();
      return fw::Level::Fatal;
    default:
      break;
  }
  return fw::Level::Benign;
}

void ThisWindow::Update() {
  WindowManager::Update();
  window_.update();
}

void ThisWindow::LookUpTeacher() {
  rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  const int dniField = m.decl().findField("QVM:DNI_DOCENTE");
  rt::setInteger(m, dniField, dni_);
  Access_QVMATERIAS->Fetch(m.decl().findKey("QVM:CLAVE_DNI_PROFESOR"));
  if (dni_ != 0 && rt::getInteger(m, dniField).value_or(0) == dni_) {
    window_.hide(STRING1);
    window_.hide(AUXILIAR_DNI);
    window_.setProp(AUXILIAR_DOCENTE, ui::Prop_Ypos, 8);
    SetAuxiliarDocente(rt::getText(m, m.decl().findField("QVM:PROFESOR")).value_or(""));
    window_.unhide(AUXILIAR_DOCENTE);
    window_.hide(BUTTON4);
    window_.setProp(BUTTON2, ui::Prop_Xpos, 116);
    window_.unhide(BUTTON2);
    window_.setProp(STRING2, ui::Prop_Ypos, 30);
    window_.unhide(STRING2);
    window_.setProp(AUXILIAR_FNAC, ui::Prop_Ypos, 52);
    window_.unhide(AUXILIAR_FNAC);
    window_.select(AUXILIAR_FNAC);
  } else if (dni_ != 0) {
    window_.unhide(AUXILIAR_DOCENTE);
    SetAuxiliarDocente(kNotFound);
    window_.hide(BUTTON2);
  }
  window_.display();
}

bool ThisWindow::PasswordMatches() const {
  const rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  const int32_t stored = rt::getDate(m, m.decl().findField("QVM:QVP_FECHANAC")).value_or(0);
  const int32_t teacher = int32_t(rt::getInteger(m, m.decl().findField("QVM:DNI_DOCENTE")).value_or(0));
  // An empty date is no password: a subject record without a birth date
  // must not let anyone in who knows the number.
  return teacher != 0 && fnac_ != 0 && stored == fnac_;
}

}  // namespace app::signin
