#include "app/contents/cargar_contenido_window.h"

#include <string>

namespace app::contents {

ui::WindowDef CargarContenidoWindow() {
  ui::WindowDef d;
  d.title = "Actualización Aprendizajes ...";
  d.name = "Cargar_Contenido";
  d.width = 420;
  d.height = 115;
  d.fontName = "Consolas";
  d.background = ui::rgb(230, 230, 230);
  auto add = [&](ui::ControlType type, std::string label, std::string text, int x, int y, int w,
                 int h) -> ui::ControlDef& {
    ui::ControlDef c;
    c.type = type;
    c.label = std::move(label);
    c.text = std::move(text);
    c.x = x, c.y = y, c.width = w, c.height = h;
    d.controls.push_back(std::move(c));
    return d.controls.back();
  };
  add(ui::Ctl_Prompt, "?QVAP:CONTENIDO_PRIORIZADO:PROMPT", "Contenido Priorizado:", 8, 8, ui::Auto, ui::Auto).bold = true;
  add(ui::Ctl_Entry, "?QVAP:CONTENIDO_PRIORIZADO", "@s255", 116, 8, 300, 12);
  add(ui::Ctl_MultiLine, "?QVAP:APRENDIZAJE_TRABAJO", "", 116, 24, 300, 50);
  add(ui::Ctl_Prompt, "?QVAP:CONTENIDO_PRIORIZADO:PROMPT:2", "Aprendizaje:", 8, 24, ui::Auto, ui::Auto).bold = true;
  add(ui::Ctl_Line, "?LINE1", "", 4, 84, 412, 0);
  add(ui::Ctl_Button, "?OK", "Aceptar", 228, 88, 92, 24).icon = "C:\\ICONOS\\Aceptar.ico";
  add(ui::Ctl_Button, "?CANCEL", "Cancelar", 324, 88, 92, 24).icon = "C:\\ICONOS\\No01.ico";
  return d;
}

}  // namespace app::contents
