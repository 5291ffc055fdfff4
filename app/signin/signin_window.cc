#include "app/signin/signin_window.h"

#include <string>

namespace app::signin {

ui::WindowDef SignInWindow() {
  ui::WindowDef d;
  d.name = "Main";
  d.width = 450;
  d.height = 120;
  d.fontName = "Consolas";
  d.fontSize = 8;
  d.background = ui::rgb(230, 230, 230);
  d.add(ui::Ctl_Text, "?STRING1", "Ingresa tu D.N.I.", 31, 16, 388, 12).bold = true;
  d.add(ui::Ctl_Entry, "?AUXILIAR_DNI", "@n-14", 195, 32, 60, 12).bold = true;
  ui::ControlDef& name = d.add(ui::Ctl_VarText, "?AUXILIAR_DOCENTE", "@s80", 29, 68, 392, ui::Auto);
  name.bold = true;
  name.fontSize = 14;
  name.color = ui::rgb(0, 128, 255);
  name.hidden = true;
  d.add(ui::Ctl_Line, "?LINE1", "", 29, 88, 392, 0);
  ui::ControlDef& accept1 = d.add(ui::Ctl_Button, "?BUTTON4", "Aceptar", 116, 92, 80, 24);
  accept1.icon = "C:\\ICONOS\\OK04.ico";
  accept1.bold = true;
  ui::ControlDef& prompt = d.add(ui::Ctl_Text, "?STRING2", "Clave (Fecha de Nacimiento):", 31, 4, 388, 12);
  prompt.bold = true;
  prompt.hidden = true;
  d.add(ui::Ctl_Text, "?STRING4", "String 4", 393, 12, ui::Auto, ui::Auto);
  ui::ControlDef& date = d.add(ui::Ctl_Entry, "?AUXILIAR_FNAC", "@d06", 195, 48, 60, 12);
  date.bold = true;
  date.hidden = true;
  ui::ControlDef& accept2 = d.add(ui::Ctl_Button, "?BUTTON2", "Aceptar", 28, 92, 80, 24);
  accept2.icon = "C:\\ICONOS\\OK04.ico";
  accept2.bold = true;
  ui::ControlDef& exit = d.add(ui::Ctl_Button, "?BUTTON3", "Salir", 204, 92, 80, 24);
  exit.icon = "C:\\ICONOS\\SALIR.ico";
  exit.bold = true;
  return d;
}

}  // namespace app::signin
