#include "app/followup/follow_up_procedure.h"

#include <string>
#include <string_view>

#include "app/contents/abm_contenidos_procedure.h"
#include "app/dictionary/app_messages.h"
#include "app/dictionary/file_decls.h"
#include "app/dictionary/globals.h"
#include "app/followup/this_window.h"
#include "app/followup/ventana_seguimiento_notas.h"
#include "app/followup/ventana_seguimiento_notas_window.h"
#include "app/sheets/sheet_procedure.h"
#include "framework/window/field_var.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/windows1252.h"

namespace app::followup {

namespace {

constexpr size_t kMemoColumnChars = 255;

// A variable text showing a record field or a program text; the window
// never writes these back.
class ShownField : public ui::UseVar {
 public:
  explicit ShownField(rt::FieldRef field) : field_(field) {}
  std::string get() const override { return rt::windows1252ToUtf8(rt::getValueText(field_).value_or("")); }
  bool set(const std::string&) override { return true; }

 private:
  rt::FieldRef field_;
};

class ShownText : public ui::UseVar {
 public:
  explicit ShownText(const std::string* text) : text_(text) {}
  std::string get() const override { return rt::windows1252ToUtf8(*text_); }
  bool set(const std::string&) override { return true; }

 private:
  const std::string* text_;
};

// A list row's layout: the record's fields by label, in column order, each
// of the record field's type. `memo` columns become text of 255 characters;
// a label ending in "#2" repeats a field under a second name.
rt::FileDeclPtr RowLayout(const rt::FileDeclPtr& file, const char* prefix,
                          std::initializer_list<std::string_view> labels) {
  rt::FileDeclBuilder b(std::string(prefix) + "ROW", prefix, "");
  for (std::string_view label : labels) {
    std::string name(label);
    std::string source = name;
    if (source.size() > 2 && source.ends_with("#2")) source.resize(source.size() - 2), name = source + "2";
    const int f = file->findField(source);
    if (f < 0) {
      b.String(name, uint16_t(kMemoColumnChars));  // the memo's column
      continue;
    }
    const rt::FieldDecl& d = file->fields[size_t(f)];
    b.Field(name, d.type, d.elementSize(), 1, d.places);
  }
  return b.Build();
}

}  // namespace

void FollowUpBrowse::SetQueueRecord() {
  fw::BrowseClass::SetQueueRecord();
  if (!Rows || !View) return;
  rt::FileControlBlock& g = Access_QVSEGUIR->Block();
  std::string memo = rt::getMemo(g, g.decl().findMemo("QVG:APRENDIZAJE_TRABAJO")).value_or("");
  if (memo.size() > kMemoColumnChars) memo.resize(kMemoColumnChars);
  rt::setText(Rows->Buffer(), 1, memo);
}

bool FollowUpShowsContentsTab() {
  const std::string v = INIMgr.TryFetch(kShowContentsSector, kShowContentsName);
  return v == "1" || v == "S" || v == "s" || v == "SI" || v == "si" || v == "Si";
}

FollowUpProcedure::FollowUpProcedure()
    : window(FollowUpWindow()),
      Imprimir_Planilla_Informe_Progreso(app::Imprimir_Planilla_Informe_Progreso),
      Imprimir_Planilla_Informe_Contenidos(app::Imprimir_Planilla_Informe_Contenidos),
      ABM_Contenidos(app::ABM_Contenidos),
      Queue1(RowLayout(QVMATERIASDecl(), "QVM",
                       {"QVM:MATERIA", "QVM:CICLO", "QVM:CURSO", "QVM:DIVISION", "QVM:ESPECIALIDAD",
                        "QVM:DNI_DOCENTE", "QVM:NRO_REGISTRO", "QVM:COD_CURSO", "QVM:NRO_ORDEN"})),
      Queue2(RowLayout(QVLIBRETADecl(), "QVL",
                       {"QVL:NRO_LEGAJO", "QVL:ALUMNO", "QVL:ETAPA1", "QVL:ETAPA2", "QVL:ETAPA3", "QVL:ETAPA4",
                        "QVL:ETAPA5", "QVL:ETAPA6", "QVL:ETAPA7", "QVL:ETAPA8", "QVL:ETAPA9", "QVL:ETAPA10",
                        "QVL:ETAPA11", "QVL:ETAPA12", "QVL:FINAL", "QVL:COD_MATERIA", "QVL:NRO_REGISTRO",
                        "QVL:DICIEMBRE", "QVL:MARZO", "QVL:ETADO", "QVL:AC", "QVL:AM"})),
      Queue4(RowLayout(QVALUAPDecl(), "QVA",
                       {"QVA:APELLIDO_NOMBRE", "QVA:LEGAJO", "QVA:DNI", "QVA:SEXO", "QVA:COD_CURSO"})),
      Queue5(RowLayout(QVSEGUIRDecl(), "QVG",
                       {"QVG:CONTENIDO_PRIORIZADO", "QVG:APRENDIZAJE_TRABAJO", "QVG:LOGRADO", "QVG:PENDIENTE",
                        "QVG:VALORACION_FINAL", "QVG:NRO_ORDEN", "QVG:ALUMNO", "QVG:NRO_LEGAJO",
                        "QVG:COD_MATERIA", "QVG:NRO_ORDEN#2", "QVG:NRO_REGISTRO"})),
      View1(Access_QVMATERIAS->Block()),
      View2(Access_QVLIBRETA->Block()),
      View4(Access_QVALUAP->Block()),
      View5(Access_QVSEGUIR->Block()) {
  BRW5.Rows = &Queue5;
  vars_.push_back(std::make_unique<ShownText>(&app::AUXILIAR_DOCENTE));
  window.bind(AUXILIAR_DOCENTE, vars_.back().get());
  rt::FileControlBlock& m = Access_QVMATERIAS->Block();
  const std::pair<int, const char*> shown[] = {{QVM_CICLO, "QVM:CICLO"},
                                               {QVM_CURSO, "QVM:CURSO"},
                                               {QVM_DIVISION, "QVM:DIVISION"},
                                               {QVM_ESPECIALIDAD, "QVM:ESPECIALIDAD"},
                                               {QVM_MATERIA, "QVM:MATERIA"}};
  for (const auto& [control, label] : shown) {
    vars_.push_back(std::make_unique<ShownField>(rt::findFieldRef(m, label)));
    window.bind(control, vars_.back().get());
  }
}

FollowUpProcedure::~FollowUpProcedure() = default;

void FollowUpProcedure::Run() {
  ThisWindow thisWindow(*this);
  GlobalResponse = thisWindow.Run();
  if (window.isOpen()) window.close();
}

}  // namespace app::followup

namespace app {

void Ventana_Seguimiento_Notas() {
  followup::FollowUpProcedure procedure;
  procedure.Run();
}

}  // namespace app
