#include "app/followup/historial_window.h"

#include <string>

namespace app::followup {

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
      ui::column("Fecha", 44, ui::Align_Left, "@s10"),     ui::column("Hora", 36, ui::Align_Left, "@s8"),
      ui::column("Campo", 44, ui::Align_Left, "@s12"),     ui::column("Anterior", 40, ui::Align_Right, "@s10"),
      ui::column("Nuevo", 40, ui::Align_Right, "@s10"),    ui::column("FINAL", 36, ui::Align_Right, "@s6"),
      ui::column("Estado", 64, ui::Align_Left, "@s20"),    ui::column("Usuario", 64, ui::Align_Left, "@s30"),
  };
  for (ui::ListColumn& c : list.columns) c.resizable = true;
  ui::ControlDef& close = d.add(ui::Ctl_Button, "?CERRAR", "Cerrar", 336, 172, 80, 24);
  close.icon = "C:\\ICONOS\\SALIR.ico";
  close.isDefault = true;
  return d;
}

}  // namespace app::followup
