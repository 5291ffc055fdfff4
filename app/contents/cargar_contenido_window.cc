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
  d.add(ui::Ctl_Prompt, "?QVAP:CONTENIDO_PRIORIZADO:PROMPT", "Contenido Priorizado:", 8, 8, ui::Auto, ui::Auto).bold = true;
  d.add(ui::Ctl_Entry, "?QVAP:CONTENIDO_PRIORIZADO", "@s255", 116, 8, 300, 12);
  d.add(ui::Ctl_MultiLine, "?QVAP:APRENDIZAJE_TRABAJO", "", 116, 24, 300, 50);
  d.add(ui::Ctl_Prompt, "?QVAP:CONTENIDO_PRIORIZADO:PROMPT:2", "Aprendizaje:", 8, 24, ui::Auto, ui::Auto).bold = true;
  d.add(ui::Ctl_Line, "?LINE1", "", 4, 84, 412, 0);
  d.add(ui::Ctl_Button, "?OK", "Aceptar", 228, 88, 92, 24).icon = "C:\\ICONOS\\Aceptar.ico";
  d.add(ui::Ctl_Button, "?CANCEL", "Cancelar", 324, 88, 92, 24).icon = "C:\\ICONOS\\No01.ico";
  return d;
}

}  // namespace app::contents
