#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "runtime/core/file_decl_builder.h"

namespace rt {
namespace {

// The grade-book layout: runs of like fields, packed decimals of 3 and 4
// bytes, dates, and a key with descending components.
FileDeclPtr gradeBook() {
  FileDeclBuilder b("QVLIBRETA", "QVL", "QVLIBRETA.KRL");
  b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10)
      .String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").String("QVL:MATERIAS", 60).String("QVL:CAMPO", 6);
  for (int k = 1; k <= 30; ++k) b.Decimal("QVL:ETAPA" + std::to_string(k), 4, 2);
  b.Decimal("QVL:PRONOSTICO1", 3, 2).Decimal("QVL:PRONOSTICO2", 4, 2).Decimal("QVL:PRONOSTICO3", 3, 2)
      .Decimal("QVL:FINALETAPAI", 4, 2).Decimal("QVL:FINALETAPAII", 4, 2).Decimal("QVL:FINALETAPAIII", 4, 2)
      .Decimal("QVL:EVALUACION_ANUAL", 4, 2).Decimal("QVL:DICIEMBRE", 4, 2).Decimal("QVL:MARZO", 4, 2)
      .Decimal("QVL:FINAL", 4, 2);
  for (int k = 1; k <= 20; ++k) b.String("QVL:CUALIFICA" + std::to_string(k), 3);
  b.String("QVL:FINAL1", 3).String("QVL:FINAL2", 3).String("QVL:FINAL3", 3).String("QVL:FINALANUAL", 3);
  for (int k = 1; k <= 20; ++k) b.Decimal("QVL:EXTRA" + std::to_string(k), 4, 2);
  b.String("QVL:ETADO", 20).Date("QVL:FECHA_OPERACION");
  for (int k = 1; k <= 12; ++k) b.Date("QVL:FECHA" + std::to_string(k));
  b.String("QVL:AC", 10).String("QVL:AM", 10).Long("QVL:TOTALFALTAS").Long("QVL:ASISTENCIAS")
      .Long("QVL:PORCENTAJE").Long("QVL:COD_CURSO").String("QVL:INGRESO", 10).String("QVL:OPERADOR", 20);
  for (int k = 1; k <= 15; ++k) b.String("QVL:OBSERVACION" + std::to_string(k), 255);
  b.Long("QVL:PROMEDIAEN").Short("QVL:CANTIDAD");
  b.Key("QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {"QVL:NRO_REGISTRO"})
      .Key("QVL:CLAVE_RENDIMIENTO_ACADEMICO", kKeyDuplicates | kKeyNoCase,
           {"-QVL:EVALUACION_ANUAL", "-QVL:FINALETAPAIII", "-QVL:FINALETAPAII", "-QVL:FINALETAPAI"})
      .Key("QVL:CLAVE_MATERIA_SEXO_ALUMNO2", kKeyDuplicates | kKeyNoCase | kKeyExcludeBlank,
           {"QVL:COD_MATERIA", "-QVL:SEXO", "QVL:ALUMNO"});
  FileDeclPtr d = b.Build();
  EXPECT_NE(d, nullptr) << b.error();
  return d;
}

TEST(FileDeclBuilderTest, GradeBookLaysOutAsTheDictionarySays) {
  FileDeclPtr d = gradeBook();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->record_length, 4399);
  EXPECT_EQ(d->fields.size(), 131u);
  struct Where {
    const char* label;
    uint16_t offset;
    uint16_t size;
  };
  const Where where[] = {
      {"QVL:ETAPA1", 120, 4},       {"QVL:ETAPA30", 236, 4},      {"QVL:PRONOSTICO1", 240, 3},
      {"QVL:FINAL", 274, 4},        {"QVL:CUALIFICA20", 335, 3},  {"QVL:EXTRA1", 350, 4},
      {"QVL:ETADO", 430, 20},       {"QVL:FECHA12", 498, 4},      {"QVL:OBSERVACION1", 568, 255},
      {"QVL:OBSERVACION15", 4138, 255}, {"QVL:PROMEDIAEN", 4393, 4}, {"QVL:CANTIDAD", 4397, 2},
  };
  for (const Where& w : where) {
    int i = d->findField(w.label);
    ASSERT_GE(i, 0) << w.label;
    EXPECT_EQ(d->fields[i].offset, w.offset) << w.label;
    EXPECT_EQ(d->fields[i].size, w.size) << w.label;
    EXPECT_EQ(d->fields[i].position, i);
    EXPECT_FALSE(d->fields[i].overlay);
  }
  const KeyDecl& k = d->keys[d->findKey("qvl:clave_materia_sexo_alumno2")];
  ASSERT_EQ(k.components.size(), 3u);
  EXPECT_EQ(k.components[0].field, d->findField("QVL:COD_MATERIA"));
  EXPECT_FALSE(k.components[0].descending);
  EXPECT_EQ(k.components[1].field, d->findField("QVL:SEXO"));
  EXPECT_TRUE(k.components[1].descending);
  EXPECT_TRUE(k.duplicates() && k.noCase() && k.excludeBlank() && !k.primary());
  EXPECT_TRUE(d->keys[0].primary());
  EXPECT_EQ(d->fields[d->findField("QVL:PRONOSTICO1")].places, 2);
}

TEST(FileDeclBuilderTest, GroupsArraysAndOverlays) {
  FileDeclBuilder b("G", "G", "G.KRL");
  b.Long("G:ID")
      .Group("G:NAME")
      .String("G:FIRST", 10)
      .Group("G:INNER")
      .Short("G:X", 3)
      .EndGroup()
      .EndGroup()
      .At(4)
      .String("G:WHOLE", 16)
      .Picture("@s16")
      .Long("G:AFTER")
      .Memo("G:NOTE", 100, kMemoBinary, "NOTE_EXT");
  FileDeclPtr d = b.Build();
  ASSERT_NE(d, nullptr) << b.error();
  const auto& f = d->fields;
  ASSERT_EQ(f.size(), 7u);
  EXPECT_EQ(f[1].type, FieldType::kGroup);
  EXPECT_EQ(f[1].size, 16);
  EXPECT_EQ(f[3].size, 6);
  EXPECT_EQ(f[4].elements, 3);
  EXPECT_EQ(f[4].elementSize(), 2);
  EXPECT_EQ(f[4].group, 3);
  EXPECT_EQ(f[3].group, 1);
  EXPECT_EQ(f[2].group, 1);
  EXPECT_EQ(f[5].offset, 4);
  EXPECT_TRUE(f[5].overlay);
  EXPECT_EQ(f[5].picture, "@s16");
  EXPECT_FALSE(f[2].picture.has_value());
  EXPECT_EQ(f[6].offset, 20);
  EXPECT_FALSE(f[6].overlay);  // past the storage laid out so far
  EXPECT_EQ(d->record_length, 24);
  EXPECT_TRUE(d->memos[0].binary());
  EXPECT_EQ(d->memos[0].external_name, "NOTE_EXT");
}

TEST(FileDeclBuilderTest, InconsistentDeclarationsAreRefused) {
  struct Case {
    const char* what;
    std::function<void(FileDeclBuilder&)> declare;
  };
  const Case cases[] = {
      {"unknown key component", [](auto& b) { b.Long("X:A").Key("X:K", 0, {"X:B"}); }},
      {"group as key component",
       [](auto& b) { b.Group("X:G").Long("X:A").EndGroup().Key("X:K", 0, {"X:G"}); }},
      {"key without components", [](auto& b) { b.Long("X:A").Key("X:K", 0, {}); }},
      {"open group", [](auto& b) { b.Group("X:G").Long("X:A"); }},
      {"empty group", [](auto& b) { b.Group("X:G").EndGroup(); }},
      {"stray EndGroup", [](auto& b) { b.EndGroup(); }},
      {"record over 15000 bytes", [](auto& b) { b.String("X:A", 10000).String("X:B", 5001); }},
      {"field without size", [](auto& b) { b.String("X:A", 0); }},
      {"too many places", [](auto& b) { b.Decimal("X:A", 2, 4); }},
      {"same label twice", [](auto& b) { b.Long("X:A").Long("x:a"); }},
      {"picture on a number", [](auto& b) { b.Long("X:A").Picture("@n9"); }},
  };
  for (const Case& c : cases) {
    FileDeclBuilder b("X", "X", "X.KRL");
    c.declare(b);
    EXPECT_EQ(b.Build(), nullptr) << c.what;
    EXPECT_FALSE(b.error().empty()) << c.what;
  }
  FileDeclBuilder dynamic("X", "X", "X.KRL");
  dynamic.Long("X:A").Key("X:RUNTIME", kKeyDynamic, {});  // components come with the build
  EXPECT_NE(dynamic.Build(), nullptr) << dynamic.error();
}

}  // namespace
}  // namespace rt
