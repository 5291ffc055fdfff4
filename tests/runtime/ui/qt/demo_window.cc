#include "demo_window.h"

#include <string>
#include <utility>

#include "runtime/ui/key_codes.h"

namespace demo {

using namespace ui;

WindowDef definition() {
  WindowDef d;
  d.title = "Demo";
  d.name = "Demo";
  d.width = 300;
  d.height = 160;
  d.fontName = "Consolas";
  d.fontSize = 8;
  d.background = rgb(230, 230, 230);
  d.timer = 5;
  d.alerts = {Key_F1 + 1};  // F2 edits the highlighted name in place
  auto add = [&](ControlType t, std::string text, int x, int y, int w, int h) -> ControlDef& {
    ControlDef c;
    c.type = t;
    c.text = std::move(text);
    c.x = x, c.y = y, c.width = w, c.height = h;
    d.controls.push_back(c);
    return d.controls.back();
  };
  add(Ctl_Text, "D.N.I.", 4, 4, 40, 10).bold = true;
  add(Ctl_Entry, "@n-14", 50, 4, 60, 12).label = "?Number";
  add(Ctl_Entry, "@d06", 120, 4, 60, 12).label = "?Date";
  ControlDef& ok = add(Ctl_Button, "Aceptar", 190, 2, 50, 16);
  ok.isDefault = true;
  ok.icon = "C:\\ICONOS\\OK04.ico";
  add(Ctl_Button, "Salir", 244, 2, 50, 16).icon = "C:\\ICONOS\\SALIR.ico";
  ControlDef& list = add(Ctl_List, "", 4, 24, 230, 60);
  list.immediate = true;
  list.vscroll = true;
  list.label = "?List";
  list.alerts = {Mouse_RightUp};
  ListColumn c1, c2, c3;
  c1.header = "Nro", c1.width = 30, c1.align = Align_Right, c1.picture = "@n4";
  c2.header = "Alumno", c2.width = 120, c2.picture = "@s30", c2.resizable = true;
  c2.background = rgb(242, 242, 242);
  c3.header = "Nota", c3.width = 40, c3.align = Align_Center, c3.picture = "@n2";
  list.columns = {c1, c2, c3};
  add(Ctl_VarText, "@n3", 240, 30, 30, 10).label = "?Ticks";
  add(Ctl_Button, "Borrar", 4, 130, 50, 16).hidden = true;
  add(Ctl_Button, "Editar", 60, 130, 50, 16).disabled = true;
  return d;
}

}  // namespace demo
