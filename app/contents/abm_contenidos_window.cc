#include "app/contents/abm_contenidos_window.h"

#include <string>

namespace app::contents {

ui::WindowDef AbmContenidosWindow() {
  ui::WindowDef d;
  d.title = "Caption";
  d.name = "ABM_Contenidos";
  d.width = 700;
  d.height = 360;
  d.fontName = "Consolas";
  d.background = ui::rgb(230, 230, 230);
  ui::ControlDef& materia = d.add(ui::Ctl_VarText, "?QVM:MATERIA", "@s60", 4, 4, 448, 16);
  materia.bold = true;
  materia.fontSize = 14;
  materia.color = ui::rgb(0, 128, 255);
  const struct {
    const char* label;
    const char* picture;
    int x;
  } course[] = {{"?QVM:CICLO", "@s10", 4}, {"?QVM:CURSO", "@n2", 84}, {"?QVM:DIVISION", "@s2", 108}};
  for (const auto& f : course) {
    ui::ControlDef& c = d.add(ui::Ctl_VarText, f.label, f.picture, f.x, 24, ui::Auto, ui::Auto);
    c.bold = true;
    c.fontSize = 12;
  }
  ui::ControlDef& list = d.add(ui::Ctl_List, "?LIST", "", 4, 44, 692, 284);
  list.immediate = true;
  list.vscroll = true;
  list.columns = {ui::column("CONTENIDO_PRIORIZADO", 200, ui::Align_Left, "@s255"),
                  ui::column("", 1020, ui::Align_Left, "@s255"),
                  ui::column("DOCENTE", 240, ui::Align_Left, "@s60"),
                  ui::column("MATERIAS", 240, ui::Align_Left, "@s60"),
                  ui::column("NRO_ORDEN", 28, ui::Align_Right, "@n-7"),
                  ui::column("COD_DOCENTE", 56, ui::Align_Right, "@n-14"),
                  ui::column("COD_CURSO", 56, ui::Align_Right, "@n-14"),
                  ui::column("COD_MATERIA", 56, ui::Align_Right, "@n-14"),
                  ui::column("NRO_REGISTRO", 56, ui::Align_Right, "@n-14")};
  d.add(ui::Ctl_Button, "?BUTTON1", "Salir", 604, 332, 92, 24).icon = "C:\\ICONOS\\SALIR.ico";
  d.add(ui::Ctl_Button, "?INSERT", "&Agregar", 4, 332, 92, 24).icon = "C:\\ICONOS\\AGREGAR.ICO";
  d.add(ui::Ctl_Button, "?CHANGE", "&Modificar", 104, 332, 92, 24).icon = "C:\\ICONOS\\EDITAR.ICO";
  d.add(ui::Ctl_Button, "?DELETE", "&Borrar", 204, 332, 92, 24).icon = "C:\\ICONOS\\BORRAR.ICO";
  return d;
}

}  // namespace app::contents
