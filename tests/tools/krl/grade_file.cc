#include "grade_file.h"

#include <gtest/gtest.h>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/table_writer.h"

namespace krltest {

using namespace kestrel;

namespace {

FieldDef Fld(FieldType type, uint16_t offset, const char* name, uint16_t size, uint16_t position) {
  FieldDef f;
  f.type = type;
  f.offset = offset;
  f.name = name;
  f.size = size;
  f.position = position;
  if (IsText(type)) f.chars = size;
  if (IsDecimal(type)) {
    f.places = 2;
    f.element_size = static_cast<uint8_t>(size);
  }
  return f;
}

}  // namespace

// Layout: NRO LONG @0, ALUMNO STRING 30 @4, ETAPA1 DECIMAL 4 @34,
// FECHA DATE @38, CANTIDAD SHORT @42; 44 bytes.
TableDef GradeBookDef() {
  TableDef d;
  d.record_length = 44;
  d.fields = {Fld(FieldType::kLong, 0, "QVL:NRO_REGISTRO", 4, 0),
              Fld(FieldType::kString, 4, "QVL:ALUMNO", 30, 1),
              Fld(FieldType::kDecimal, 34, "QVL:ETAPA1", 4, 2),
              Fld(FieldType::kDate, 38, "QVL:FECHA", 4, 3),
              Fld(FieldType::kShort, 42, "QVL:CANTIDAD", 2, 4)};
  d.memos = {MemoDef{"OBS", "QVL:OBS", 1000, 0}};
  d.keys = {KeyDef{"PRIM", "QVL:CLAVE_PRIMARIA", kKeyPrimary | kKeyExcludeBlank, {{0, 0}}},
            KeyDef{"ALFA", "QVL:CLAVE_ALFA", kKeyDuplicates | kKeyNoCase, {{1, 0}}},
            KeyDef{"REND", "QVL:CLAVE_RENDIMIENTO", kKeyDuplicates, {{2, 1}, {0, 0}}}};
  return d;
}

std::string GradeRowBytes(const GradeRow& r) {
  std::string b(44, '\0');
  Put32LE(b.data(), static_cast<uint32_t>(r.nro));
  std::string name = r.alumno;
  name.resize(30, ' ');
  b.replace(4, 30, name);
  b.replace(34, 4, r.etapa1);
  b[38] = static_cast<char>(r.day);
  b[39] = static_cast<char>(r.month);
  Put16LE(b.data() + 40, r.year);
  Put16LE(b.data() + 42, static_cast<uint16_t>(r.cantidad));
  return b;
}

std::string BuildGradeFile(size_t max_records, ImageWriter* writer) {
  ImageWriter local;
  ImageWriter& w = writer ? *writer : local;
  TableDef students;
  students.record_length = 4;
  students.fields = {Fld(FieldType::kLong, 0, "QVA:LEGAJO", 4, 0)};
  TableWriter grades(&w, "QVLIBRETA", GradeBookDef());
  TableWriter alumnos(&w, "QVALUAP", students);
  EXPECT_TRUE(grades.Create().ok());
  EXPECT_TRUE(alumnos.Create().ok());
  const GradeRow rows[] = {
      {1, "P\xC9REZ, Ana", std::string("\x00\x00\x07\x50", 4), 25, 12, 2023, -3, "abc" + std::string(997, ' ')},
      {2, "garcia, Luis", std::string("\x00\x00\x12\x00", 4), 0, 0, 0, 7, ""},
      {3, "Garcia, Eva", std::string("\x10\x00\x12\x00", 4), 1, 2, 2024, 0, "line \"one\"\nline two"},
  };
  for (const GradeRow& r : rows) EXPECT_TRUE(grades.AddRow(GradeRowBytes(r), {r.memo}).ok());
  for (int i = 0; i < 40; ++i) {
    std::string b(4, '\0');
    Put32LE(b.data(), static_cast<uint32_t>(1000 + i));
    EXPECT_TRUE(alumnos.AddRow(b).ok());
  }
  ImageLayout layout;
  layout.max_records = max_records;
  std::string file;
  EXPECT_TRUE(w.Build(&file, layout).ok());
  return file;
}

}  // namespace krltest
