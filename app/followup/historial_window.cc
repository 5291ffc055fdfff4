#include "app/followup/historial_window.h"

#include <string>
#include <utility>

namespace app::followup {

namespace {

ui::ListColumn Column(std::string header, int width, char align, std::string picture) {
  ui::ListColumn c;
  c.header = std::move(header);
  c.width = width;
  c.align = align;
  c.picture = std::move(picture);
  c.resizable = true;
  return c;
}

}  // namespace

ui::WindowDef HistorialWindow() {
  ui::WindowDef d;
  d.title = "Historial de notas";
  d.name = "Historial_Notas";
  d.width = 420;
  d.height = 200;
  d.fontName = "Consolas";
  d.fontSize = 8;
  d.background = ui::rgb(230, 230, 230);
  d.statusZones = {-1};
  d.add(ui::Ctl_VarText, "?ALUMNO", "@s80", 8, 8, 320, 12).bold = true;
  ui::ControlDef& list = d.add(ui::Ctl_List, "?LIST", "", 4, 24, 412, 144);
  list.vscroll = true;
  list.columns = {
      Column("Fecha", 44, ui::Align_Left, "@s10"),     Column("Hora", 36, ui::Align_Left, "@s8"),
      Column("Campo", 44, ui::Align_Left, "@s12"),     Column("Anterior", 40, ui::Align_Right, "@s10"),
      Column("Nuevo", 40, ui::Align_Right, "@s10"),    Column("FINAL", 36, ui::Align_Right, "@s6"),
      Column("Estado", 64, ui::Align_Left, "@s20"),    Column("Usuario", 64, ui::Align_Left, "@s30"),
  };
  ui::ControlDef& close = d.add(ui::Ctl_Button, "?CERRAR", "Cerrar", 336, 172, 80, 24);
  close.icon = "C:\\ICONOS\\SALIR.ico";
  close.isDefault = true;
  return d;
}

}  // namespace app::followup
