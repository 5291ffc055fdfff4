#include "app/sheets/progress_sheet_report.h"

#include <string>

#include "app/sheets/band_items.h"

namespace app::sheets {

namespace {

constexpr long long kShade = ui::rgb(242, 242, 242);
constexpr std::initializer_list<double> kColumns = {2, 94, 108, 123, 138, 152, 167, 181, 196, 210, 225, 240, 254, 269, 285};
constexpr double kGradeX[12] = {98, 110, 125, 140, 154, 169, 183, 198, 213, 227, 242, 256};

ui::ReportBand Header() {
  ui::ReportBand b{ui::Band_Header, "header", 4, 5, 290, 25, {}};
  AddField(b, "QVL:MATERIAS", "@s60", 4, 2, 160, 6, Bold(14));
  AddField(b, "QVM:CICLO", "@s11", 4, 10, 0, 0, Bold(12));
  AddField(b, "QVM:CURSO", "@n3", 31, 10, 0, 0, Bold(12));
  AddField(b, "QVM:DIVISION", "@s3", 42, 10, 0, 0, Bold(12));
  AddField(b, "QVM:TURNO", "@s20", 52, 10, 0, 0, Bold(12));
  AddField(b, "QVM:PROFESOR", "@s50", 181, 10, 104, 6, Bold(12));
  AddBox(b, 2, 17, 92, 8, kShade);
  AddBox(b, 2, 17, 283, 6, kShade);
  AddRule(b, 2, 17, 283);
  AddBox(b, 2, 23, 283, 1, kGrey);
  AddText(b, "Alumno/a", 4, 19, Bold());
  const struct {
    const char* text;
    double x;
  } captions[] = {{"Eval. 1", 98},  {"Eval. 2", 113}, {"Eval. 3", 127}, {"OLE 1", 142}, {"JIS 1", 158},
                  {"Eval. 4", 171}, {"Eval. 5", 185}, {"Eval. 6", 200}, {"OLE 2", 215}, {"JIS 2", 229},
                  {"Pro. OLE", 242}, {"Rec.", 260},   {"Final", 273}};
  for (const auto& c : captions) AddText(b, c.text, c.x, 19);
  AddSeparators(b, kColumns, 17, 8);
  return b;
}

ui::ReportBand Detail() {
  ui::ReportBand b{ui::Band_Detail, "detail", 0, 0, 290, 6, {}};
  AddBox(b, 2, 0, 92, 6, kShade);
  AddField(b, "QVL:ALUMNO", "@s45", 4, 1, 81, 4, Bold());
  for (int k = 0; k < 12; ++k) AddField(b, "QVL:ETAPA" + std::to_string(k + 1), "@n5.2B", kGradeX[k], 1);
  AddField(b, "QVL:FINAL", "@n5.2B", 273, 1);
  AddSeparators(b, kColumns, 0, 6);
  AddRule(b, 2, 6, 283);
  return b;
}

ui::ReportBand Footer() {
  ui::ReportBand b{ui::Band_Footer, "footer", 4, 199, 290, 25, {}};
  AddBox(b, 2, 0, 283, 1, kGrey);
  return b;
}

}  // namespace

ui::ReportDef ProgressSheetReport() {
  ui::ReportDef d;
  d.title = "Planilla";
  d.name = "Imprimir_Planilla_Informe_Progreso";
  d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
  d.detailX = 4, d.detailY = 30, d.detailWidth = 290, d.detailHeight = 170;
  d.fontName = "Calibri";
  d.fontSize = 10;
  d.bands = {Header(), Detail(), Footer()};
  return d;
}

}  // namespace app::sheets
