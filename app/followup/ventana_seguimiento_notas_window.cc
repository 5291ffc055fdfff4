#include "app/followup/ventana_seguimiento_notas_window.h"

#include <string>
#include <utility>

namespace app::followup {

namespace {

constexpr long long kGrey = ui::rgb(230, 230, 230);
constexpr long long kLightGrey = ui::rgb(242, 242, 242);

std::vector<ui::ListColumn> SubjectColumns() {
  std::vector<ui::ListColumn> c = {
      ui::column("MATERIA", 200, ui::Align_Left, "@s60", kGrey),
      ui::column("CICLO", 100, ui::Align_Left, "@s30"),
      ui::column("CURSO", 40, ui::Align_Center, "@n3", kGrey),
      ui::column("", 40, ui::Align_Center, "@s4", kGrey),
      ui::column("ESPECIALIDAD", 275, ui::Align_Left, "@s40"),
      ui::column("DNI_DOCENTE", 56, ui::Align_Right, "@n-14"),
      ui::column("NRO_REGISTRO", 56, ui::Align_Right, "@n-14"),
      ui::column("COD_CURSO", 56, ui::Align_Right, "@n-14"),
      ui::column("NRO_ORDEN", 28, ui::Align_Right, "@n-7"),
  };
  c[2].rightBorder = false;
  return c;
}

std::vector<ui::ListColumn> GradeBookColumns() {
  std::vector<ui::ListColumn> c = {
      ui::column("NRO_LEGAJO", 55, ui::Align_Right, "@n-14"),
      ui::column("ALUMNO", 294, ui::Align_Left, "@s60", kLightGrey),
  };
  for (const char* header : {"Eval. 1", "Eval. 2", "Eval. 3", "OLE 1", "JIS 1", "Eval. 4", "Eval. 5", "Eval. 6",
                             "OLE 2", "JIS 2", "Prom. OLE", "Recupera"})
    c.push_back(ui::column(header, 40, ui::Align_Center, "@n2B"));
  c.push_back(ui::column("FINAL", 40, ui::Align_Center, "@n5.2B", kLightGrey));
  c.push_back(ui::column("COD_MATERIA", 56, ui::Align_Right, "@n-14"));
  c.push_back(ui::column("NRO_REGISTRO", 56, ui::Align_Right, "@n-14"));
  c.push_back(ui::column("DICIEMBRE", 40, ui::Align_Decimal, "@n-10.2"));
  c.push_back(ui::column("MARZO", 40, ui::Align_Decimal, "@n-10.2"));
  c.push_back(ui::column("ETADO", 80, ui::Align_Left, "@s20"));
  c.push_back(ui::column("AC", 40, ui::Align_Left, "@s10"));
  c.push_back(ui::column("AM", 40, ui::Align_Left, "@s10"));
  for (ui::ListColumn& col : c) col.resizable = true;
  return c;
}

std::vector<ui::ListColumn> StudentColumns() {
  return {
      ui::column("APELLIDO_NOMBRE", 184, ui::Align_Left, "@s50", kGrey),
      ui::column("LEGAJO", 50, ui::Align_Right, "@n_10"),
      ui::column("DNI", 56, ui::Align_Right, "@n-14"),
      ui::column("SEXO", 80, ui::Align_Right, "@s20"),
      ui::column("COD_CURSO", 56, ui::Align_Right, "@n-14"),
  };
}

std::vector<ui::ListColumn> FollowUpColumns() {
  std::vector<ui::ListColumn> c = {
      ui::column("CONTENIDO PRIORIZADO", 234, ui::Align_Left, "@s255"),
      ui::column("APRENDIZAJE", 240, ui::Align_Left, "@s255"),
      ui::column("LOGRADO", 50, ui::Align_Center, "@s10"),
      ui::column("PENDIENTE", 50, ui::Align_Center, "@s10"),
      ui::column("VALORACION", 50, ui::Align_Center, "@s10"),
      ui::column("NRO_ORDEN", 28, ui::Align_Right, "@n-7"),
      ui::column("ALUMNO", 240, ui::Align_Right, "@s60"),
      ui::column("NRO_LEGAJO", 56, ui::Align_Right, "@n-14"),
      ui::column("COD_MATERIA", 56, ui::Align_Right, "@n-14"),
      ui::column("NRO_ORDEN", 28, ui::Align_Right, "@n-7"),
      ui::column("NRO_REGISTRO", 56, ui::Align_Right, "@n-14"),
  };
  for (int i : {2, 3, 4}) c[i].underline = false;
  return c;
}

}  // namespace

ui::WindowDef FollowUpWindow() {
  ui::WindowDef d;
  d.name = "Ventana_Seguimiento_Notas";
  d.width = 900;
  d.height = 448;
  d.fontName = "Consolas";
  d.fontSize = 8;
  d.background = kGrey;
  // Why the highlighted student has their status, in one line at the bottom.
  d.statusZones = {-1};
  auto button = [&](std::string label, std::string text, const char* icon, int x, int y, int w, int h,
                    int parent = 0) -> ui::ControlDef& {
    ui::ControlDef& b = d.add(ui::Ctl_Button, std::move(label), std::move(text), x, y, w, h, parent);
    if (icon) b.icon = icon;
    return b;
  };
  auto list = [&](std::string label, int x, int y, int w, int h, int parent,
                  std::vector<ui::ListColumn> columns) -> ui::ControlDef& {
    ui::ControlDef& l = d.add(ui::Ctl_List, std::move(label), "", x, y, w, h, parent);
    l.immediate = true;
    l.vscroll = true;
    l.columns = std::move(columns);
    return l;
  };

  ui::ControlDef& name = d.add(ui::Ctl_VarText, "?AUXILIAR_DOCENTE", "@s80", 48, 8, 372, 16);
  name.bold = true;
  name.fontSize = 10;
  name.color = ui::rgb(0, 128, 255);
  name.accessibleName = "Docente";
  d.add(ui::Ctl_Text, "?STRING2", "Docente", 8, 8, ui::Auto, ui::Auto).bold = true;
  ui::ControlDef& subjects = d.add(ui::Ctl_DropList, "?LIST", "", 8, 20, 432, 12);
  subjects.dropRows = 20;
  subjects.immediate = true;
  subjects.columns = SubjectColumns();
  subjects.accessibleName = "Materia";
  // Screen readers read these values with a name (the window shows none).
  d.add(ui::Ctl_VarText, "?QVM:CICLO", "@s11", 8, 36, ui::Auto, ui::Auto).accessibleName = "Ciclo";
  d.add(ui::Ctl_VarText, "?QVM:CURSO", "@n3", 68, 36, ui::Auto, ui::Auto).accessibleName = "Curso";
  d.add(ui::Ctl_VarText, "?QVM:DIVISION", "@s4", 92, 36, ui::Auto, ui::Auto).accessibleName = "División";
  d.add(ui::Ctl_VarText, "?QVM:ESPECIALIDAD", "@s40", 120, 36, ui::Auto, ui::Auto).accessibleName = "Especialidad";
  d.add(ui::Ctl_VarText, "?QVM:MATERIA", "@s60", 8, 52, 360, 12).accessibleName = "Materia";
  d.add(ui::Ctl_Sheet, "?SHEET1", "", 0, 72, d.width, d.height - 72);
  d.add(ui::Ctl_Tab, "?TAB1", "Informe de Progreso", 0, 0, ui::Auto, ui::Auto, SHEET1);
  list("?LIST:2", 4, 88, 892, 356, TAB1, GradeBookColumns()).accessibleName = "Libreta de calificaciones";
  button("?BUTTON10", "Planilla", "C:\\ICONOS\\IMPPREV.ICO", 724, 8, 80, 24, TAB1);
  d.add(ui::Ctl_Tab, "?TAB2", "Contenidos", 0, 0, ui::Auto, ui::Auto, SHEET1).hidden = true;
  list("?LIST:3", 4, 88, 248, 356, TAB2, StudentColumns()).accessibleName = "Alumnos";
  list("?LIST:4", 256, 120, 640, 324, TAB2, FollowUpColumns()).accessibleName = "Seguimiento de contenidos";
  button("?BUTTON9", "Planilla", "C:\\ICONOS\\IMPPREV.ICO", 724, 40, 80, 24, TAB2);
  d.add(ui::Ctl_Text, "?STRING11", "Logrado, Pendiente: Colocar X done corresponda", 460, 8, ui::Auto, ui::Auto,
      TAB2);
  button("?BUTTON5", "Contenidos", "C:\\ICONOS\\Biblioteca.ico", 256, 92, 80, 24, TAB2);
  button("?INSERT:2", "&Agregar", "C:\\ICONOS\\AGREGAR.ICO", 520, 92, 80, 24, TAB2).hidden = true;
  button("?CHANGE:2", "&Modificar", "C:\\ICONOS\\EDITAR.ICO", 344, 92, 80, 24, TAB2);
  button("?DELETE:2", "&Borrar", "C:\\ICONOS\\BORRAR.ICO", 432, 92, 80, 24, TAB2).hidden = true;
  d.add(ui::Ctl_Text, "?STRING12", "Valoración: Calificación provisoria (Numérica o Letra)", 460, 24, ui::Auto,
      ui::Auto, TAB2);
  button("?BUTTON3", "Salir", "C:\\ICONOS\\SALIR.ico", 812, 40, 80, 24);
  button("?INSERT", "&Insert", nullptr, 392, 40, 44, 24).hidden = true;
  button("?CHANGE", "&Editar", "C:\\ICONOS\\EDITAR.ICO", 812, 8, 80, 24);
  button("?DELETE", "&Delete", nullptr, 344, 40, 44, 24).hidden = true;
  return d;
}

}  // namespace app::followup
