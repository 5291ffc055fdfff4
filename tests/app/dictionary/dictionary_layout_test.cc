// The five record layouts: sizes, offsets and key attributes as the
// dictionary states them.
#include <gtest/gtest.h>

#include <string>

#include "app/dictionary/file_decls.h"

namespace app {
namespace {

TEST(DictionaryLayoutTest, FilesHaveTheirNamesSizesAndCounts) {
  struct Shape {
    rt::FileDeclPtr decl;
    const char* label;
    const char* prefix;
    const char* name;
    uint16_t bytes;
    size_t fields, keys, memos;
  };
  const Shape shapes[] = {
      {QVSEGUIRDecl(), "QVSEGUIR", "QVG", "QVSEGUIR.KRL", 537, 17, 11, 2},
      {QVALUAPDecl(), "QVALUAP", "QVA", "QVAluAP.KRL", 162, 6, 6, 0},
      {QVMATERIASDecl(), "QVMATERIAS", "QVM", "QVMaterias.KRL", 523, 27, 11, 1},
      {QVAPRENDEDecl(), "QVAPRENDE", "QVAP", "QVAPRENDE.KRL", 393, 8, 10, 1},
      {QVLIBRETADecl(), "QVLIBRETA", "QVL", "QVLIBRETA.KRL", 4399, 131, 12, 0},
  };
  for (const Shape& s : shapes) {
    ASSERT_NE(s.decl, nullptr);
    const rt::FileDecl& d = *s.decl;
    EXPECT_EQ(d.label, s.label);
    EXPECT_EQ(d.prefix, s.prefix);
    EXPECT_EQ(d.name, s.name);
    EXPECT_EQ(d.driver, "KESTREL");
    EXPECT_EQ(d.record_length, s.bytes) << s.label;
    EXPECT_EQ(d.fields.size(), s.fields) << s.label;
    EXPECT_EQ(d.keys.size(), s.keys) << s.label;
    EXPECT_EQ(d.memos.size(), s.memos) << s.label;
    // Fields lie one after another: no gaps, no overlays.
    uint16_t at = 0;
    for (const rt::FieldDecl& f : d.fields) {
      EXPECT_EQ(f.offset, at) << f.label;
      EXPECT_FALSE(f.overlay) << f.label;
      at = static_cast<uint16_t>(at + f.size);
    }
    EXPECT_EQ(at, s.bytes) << s.label;
  }
  EXPECT_EQ(FileDeclByLabel("qvaluap"), QVALUAPDecl());
  EXPECT_EQ(FileDeclByLabel("QVALUAPX"), nullptr);
  EXPECT_EQ(AllFileDecls()[0], QVLIBRETADecl());
  EXPECT_EQ(AllFileDecls()[4], QVSEGUIRDecl());
}

TEST(DictionaryLayoutTest, FieldsSitAtTheirOffsets) {
  struct Where {
    rt::FileDeclPtr decl;
    const char* label;
    uint16_t offset, size;
    rt::FieldType type;
  };
  using T = rt::FieldType;
  const Where where[] = {
      {QVSEGUIRDecl(), "QVG:NRO_ORDEN", 12, 2, T::kShort},
      {QVSEGUIRDecl(), "QVG:CONTENIDO_PRIORIZADO", 134, 255, T::kString},
      {QVSEGUIRDecl(), "QVG:VALORACION_FINAL", 429, 10, T::kString},
      {QVSEGUIRDecl(), "QVG:INGRESO", 443, 10, T::kString},
      {QVSEGUIRDecl(), "QVG:COD_DOCENTE", 533, 4, T::kLong},
      {QVALUAPDecl(), "QVA:DNI", 54, 4, T::kLong},
      {QVALUAPDecl(), "QVA:COD_CURSO", 158, 4, T::kLong},
      {QVMATERIASDecl(), "QVM:COD_PROFESOR", 136, 4, T::kLong},
      {QVMATERIASDecl(), "QVM:HORAS", 214, 3, T::kDecimal},
      {QVMATERIASDecl(), "QVM:MATERIASCORRELATIVAS", 233, 120, T::kString},
      {QVMATERIASDecl(), "QVM:CANTIDADMATEPROM", 357, 2, T::kShort},
      {QVMATERIASDecl(), "QVM:CURSO", 389, 2, T::kShort},
      {QVMATERIASDecl(), "QVM:DIVISION", 391, 4, T::kString},
      {QVMATERIASDecl(), "QVM:DNI_DOCENTE", 515, 4, T::kLong},
      {QVMATERIASDecl(), "QVM:QVP_FECHANAC", 519, 4, T::kDate},
      {QVAPRENDEDecl(), "QVAP:NRO_ORDEN", 16, 2, T::kShort},
      {QVAPRENDEDecl(), "QVAP:CONTENIDO_PRIORIZADO", 138, 255, T::kString},
      {QVLIBRETADecl(), "QVL:ETAPA12", 164, 4, T::kDecimal},
      {QVLIBRETADecl(), "QVL:PRONOSTICO3", 247, 3, T::kDecimal},
      {QVLIBRETADecl(), "QVL:DICIEMBRE", 266, 4, T::kDecimal},
      {QVLIBRETADecl(), "QVL:FINAL", 274, 4, T::kDecimal},
      {QVLIBRETADecl(), "QVL:FINALANUAL", 347, 3, T::kString},
      {QVLIBRETADecl(), "QVL:EXTRA20", 426, 4, T::kDecimal},
      {QVLIBRETADecl(), "QVL:ETADO", 430, 20, T::kString},
      {QVLIBRETADecl(), "QVL:FECHA1", 454, 4, T::kDate},
      {QVLIBRETADecl(), "QVL:AC", 502, 10, T::kString},
      {QVLIBRETADecl(), "QVL:AM", 512, 10, T::kString},
      {QVLIBRETADecl(), "QVL:COD_CURSO", 534, 4, T::kLong},
      {QVLIBRETADecl(), "QVL:OBSERVACION15", 4138, 255, T::kString},
      {QVLIBRETADecl(), "QVL:CANTIDAD", 4397, 2, T::kShort},
  };
  for (const Where& w : where) {
    const int i = w.decl->findField(w.label);
    ASSERT_GE(i, 0) << w.label;
    const rt::FieldDecl& f = w.decl->fields[i];
    EXPECT_EQ(f.offset, w.offset) << w.label;
    EXPECT_EQ(f.size, w.size) << w.label;
    EXPECT_EQ(f.type, w.type) << w.label;
    if (rt::isDecimalType(f.type)) {
      EXPECT_EQ(f.places, 2) << w.label;
    }
  }
  EXPECT_EQ(QVSEGUIRDecl()->memos[0].label, "QVG:OBSPPI");
  EXPECT_EQ(QVSEGUIRDecl()->memos[1].label, "QVG:APRENDIZAJE_TRABAJO");
  EXPECT_EQ(QVSEGUIRDecl()->memos[1].size, 1000);
  EXPECT_EQ(QVMATERIASDecl()->memos[0].size, 4000);
  EXPECT_EQ(QVAPRENDEDecl()->memos[0].label, "QVAP:APRENDIZAJE_TRABAJO");
}

// Components as "LABEL" or "-LABEL", joined by commas.
std::string Components(const rt::FileDecl& d, const rt::KeyDecl& k) {
  std::string out;
  for (const rt::KeyComponentDecl& c : k.components) {
    if (!out.empty()) out += ",";
    if (c.descending) out += "-";
    out += d.fields[c.field].label;
  }
  return out;
}

TEST(DictionaryLayoutTest, KeysHaveTheirComponentsAndAttributes) {
  struct KeyCase {
    rt::FileDeclPtr decl;
    int number;  // from 1
    const char* label;
    const char* components;
    bool primary, dups, nocase, exclude;
  };
  const KeyCase cases[] = {
      {QVSEGUIRDecl(), 1, "QVG:CLAVE_PRIMARIA", "QVG:NRO_REGISTRO", true, false, false, true},
      {QVSEGUIRDecl(), 10, "QVG:CLAVE_ALFAMAGERIA_LEGAJO", "QVG:MATERIAS,QVG:NRO_LEGAJO", false, true, true, true},
      {QVALUAPDecl(), 1, "QVA:CLAVE_PRINCIPAL", "QVA:LEGAJO", false, true, false, true},
      {QVALUAPDecl(), 3, "QVA:CLAVE_DNI", "QVA:DNI", false, false, false, true},
      {QVALUAPDecl(), 5, "QVA:CLAVE_CURSO_SEXO_ALFA", "QVA:COD_CURSO,QVA:SEXO,QVA:APELLIDO_NOMBRE", false, true,
       true, true},
      {QVMATERIASDecl(), 7, "QVM:CLAVE_CURSO_ORDEN_CODIGO", "QVM:COD_CURSO,QVM:NRO_ORDEN,QVM:NRO_REGISTRO", false,
       true, true, true},
      {QVMATERIASDecl(), 11, "QVM:CLAVE_DNI_PROFESOR", "QVM:DNI_DOCENTE", false, true, true, true},
      {QVAPRENDEDecl(), 1, "QVAP:CLAVE_PRIMARIA", "QVAP:NRO_REGISTRO", true, false, false, true},
      {QVAPRENDEDecl(), 8, "QVAP:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", "QVAP:NRO_ORDEN,QVAP:COD_MATERIA", false, true,
       true, true},
      {QVLIBRETADecl(), 8, "QVL:CLAVE_MATERIA_SEXO_ALUMNO2", "QVL:COD_MATERIA,-QVL:SEXO,QVL:ALUMNO", false, true,
       true, true},
      {QVLIBRETADecl(), 10, "QVL:CLAVE_RENDIMIENTO_ACADEMICO",
       "-QVL:EVALUACION_ANUAL,-QVL:FINALETAPAIII,-QVL:FINALETAPAII,-QVL:FINALETAPAI", false, true, true, false},
      {QVLIBRETADecl(), 12, "QVL:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA",
       "QVL:NRO_LEGAJO,QVL:ETADO,QVL:NRO_ORDEN,QVL:COD_MATERIA", false, true, true, true},
  };
  for (const KeyCase& c : cases) {
    const rt::KeyDecl& k = c.decl->keys.at(c.number - 1);
    EXPECT_EQ(k.label, c.label);
    EXPECT_EQ(Components(*c.decl, k), c.components) << c.label;
    EXPECT_EQ(k.primary(), c.primary) << c.label;
    EXPECT_EQ(k.duplicates(), c.dups) << c.label;
    EXPECT_EQ(k.noCase(), c.nocase) << c.label;
    EXPECT_EQ(k.excludeBlank(), c.exclude) << c.label;
  }
  // Only the three registration keys are primary.
  int primaries = 0;
  for (const rt::FileDeclPtr& d : AllFileDecls()) {
    for (const rt::KeyDecl& k : d->keys) primaries += k.primary() ? 1 : 0;
  }
  EXPECT_EQ(primaries, 3);
}

}  // namespace
}  // namespace app
