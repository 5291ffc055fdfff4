// A small two-table school file built from the record layout: a grade book
// with text, packed decimals, a date, a short, a memo and three keys (one
// case-insensitive, one descending), and a students table.
#pragma once

#include <string>

#include "runtime/kestrel/format/image_writer.h"
#include "runtime/kestrel/format/table_def.h"

namespace krltest {

struct GradeRow {
  int32_t nro;
  std::string alumno;   // Windows-1252
  std::string etapa1;   // packed decimal bytes, 4
  uint8_t day, month;
  uint16_t year;
  int16_t cantidad;
  std::string memo;
};

kestrel::TableDef GradeBookDef();
std::string GradeRowBytes(const GradeRow& row);
// Builds the file; `max_records` > 0 makes small pages so the tree has levels.
std::string BuildGradeFile(size_t max_records = 0, kestrel::ImageWriter* writer = nullptr);

}  // namespace krltest
