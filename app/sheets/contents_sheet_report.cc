#include "app/sheets/contents_sheet_report.h"

#include "app/sheets/band_items.h"

namespace app::sheets {

namespace {

constexpr long long kShade = ui::rgb(230, 230, 230);
constexpr std::initializer_list<double> kColumns = {2, 65, 144, 227, 246, 265, 285};

ui::ReportBand Header() {
  ui::ReportBand b{ui::Band_Header, "header", 4, 5, 290, 25, {}};
  AddField(b, "QVG:MATERIAS", "@s60", 4, 2, 171, 6, Bold(14));
  AddField(b, "QVM:CICLO", "@s11", 4, 10, 0, 0, Bold(12));
  AddField(b, "QVM:CURSO", "@n3", 31, 10, 0, 0, Bold(12));
  AddField(b, "QVM:DIVISION", "@s3", 42, 10, 0, 0, Bold(12));
  AddField(b, "QVM:TURNO", "@s20", 52, 10, 0, 0, Bold(12));
  AddBox(b, 2, 19, 283, 6, kShade);
  AddRule(b, 2, 19, 283);
  AddRule(b, 2, 25, 283);
  const struct {
    const char* text;
    double x;
  } captions[] = {{"Alumno/a", 4},       {"Nucleos - Contenidos Priorizados", 69}, {"Aprendizajes", 146},
                  {"Logrado", 231},      {"Pendiente", 250},                       {"Valoración", 269}};
  for (const auto& c : captions) AddText(b, c.text, c.x, 21, Bold());
  AddSeparators(b, kColumns, 19, 6);
  return b;
}

ui::ReportBand Group() {
  ui::ReportBand b{ui::Band_Detail, "group", 0, 0, 290, 6, {}};
  AddBox(b, 2, 0, 283, 1, kGrey);
  AddField(b, "QVG:ALUMNO", "@s60", 4, 2, 60, 4, Bold());
  AddSeparators(b, kColumns, 0, 6);
  // A student's name never ends a page: it goes with their first line.
  b.withNext = 12;
  return b;
}

ui::ReportBand Detail() {
  ui::ReportBand b{ui::Band_Detail, "detail", 0, 0, 290, 12, {}};
  AddField(b, "QVG:CONTENIDO_PRIORIZADO", "@s255", 67, 0, 75, 4);
  // The memo has no picture: its whole text, wrapped in its box.
  AddField(b, "QVG:APRENDIZAJE_TRABAJO", "", 146, 0, 79, 11).wrap = true;
  AddField(b, "QVG:LOGRADO", "@s10", 229, 0, 15, 0, Bold(14));
  AddField(b, "QVG:PENDIENTE", "@s10", 248, 0, 15, 0, Bold(14));
  AddField(b, "QVG:VALORACION_FINAL", "@s10", 267, 0, 15, 6, Bold(14));
  AddSeparators(b, kColumns, 0, 12);
  return b;
}

ui::ReportBand Footer() {
  ui::ReportBand b{ui::Band_Footer, "footer", 4, 200, 290, 25, {}};
  AddBox(b, 2, 0, 283, 1, kGrey);
  return b;
}

}  // namespace

ui::ReportDef ContentsSheetReport() {
  ui::ReportDef d;
  d.title = "Planilla";
  d.name = "Imprimir_Planilla_Informe_Contenidos";
  d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
  d.detailX = 4, d.detailY = 30, d.detailWidth = 290, d.detailHeight = 170;
  d.fontName = "Calibri";
  d.fontSize = 10;
  d.bands = {Header(), Group(), Detail(), Footer()};
  return d;
}

}  // namespace app::sheets
