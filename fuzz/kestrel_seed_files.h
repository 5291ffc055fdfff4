// Small, real Kestrel files built with the format's own writers: the format
// fuzz target patches the first of them, and the seed-corpus tool writes
// them (and pieces of them) as starting inputs. Each one is a few pages, so
// a mutated copy is cheap to walk yet reaches index pages, compressed pages,
// memos, blobs, key entries of every kind and more than one table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/kestrel/format/image_writer.h"
#include "runtime/kestrel/format/table_def.h"
#include "runtime/kestrel/format/table_writer.h"

namespace fuzzseeds {

// What the first input byte of the format target selects (modulo
// kModeCount); the rest of the input is that decoder's.
enum FormatMode : uint8_t {
  kHeaderMode = 0,      // a 512-byte file header
  kPageMode = 1,        // one page image
  kCompressMode = 2,    // 2-byte plain length (LE), then a compressed stream; also compressed itself
  kStreamMode = 3,      // record count, then a record stream
  kDefinitionMode = 4,  // a table definition stream
  kValueMode = 5,       // record kinds: key length, the key, a value
  kKeyMode = 6,         // key components of two rows of BlobTable(), then a flag byte
  kPatchMode = 7,       // (2-byte offset LE, byte) patches over SeedFiles()[0]
  kFileMode = 8,        // a whole file
  kModeCount = 9,
};

inline kestrel::FieldDef Field(kestrel::FieldType type, uint16_t offset, uint16_t size, uint16_t position,
                               std::string name) {
  kestrel::FieldDef f;
  f.type = type;
  f.offset = offset;
  f.size = size;
  f.position = position;
  f.name = std::move(name);
  if (kestrel::IsText(type)) f.chars = size;
  if (kestrel::IsDecimal(type)) {
    f.places = 2;
    f.element_size = static_cast<uint8_t>(size);
  }
  return f;
}

// A grade-book-like table: a LONG id, a name, a decimal grade and a date;
// a unique key on the id, a case-insensitive key with duplicates on the
// name, a descending key on the grade; one memo.
inline kestrel::TableDef GradeTable() {
  using kestrel::FieldType;
  kestrel::TableDef def;
  def.record_length = 48;
  def.fields = {Field(FieldType::kLong, 0, 4, 0, "T:ID"), Field(FieldType::kString, 4, 36, 1, "T:NAME"),
                Field(FieldType::kDecimal, 40, 4, 2, "T:GRADE"), Field(FieldType::kDate, 44, 4, 3, "T:BORN")};
  def.fields[1].picture = "@s36";
  def.memos = {kestrel::MemoDef{"NOTE", "T:NOTE", 2000, 0}};
  def.keys = {kestrel::KeyDef{"ID", "T:CLAVE_ID", kestrel::kKeyPrimary, {{0, 0}}},
              kestrel::KeyDef{"NAME", "T:CLAVE_NAME", kestrel::kKeyNoCase | kestrel::kKeyDuplicates, {{1, 0}, {0, 0}}},
              kestrel::KeyDef{"GRADE", "T:CLAVE_GRADE", kestrel::kKeyDuplicates | kestrel::kKeyExcludeBlank,
                              {{2, 1}}}};
  return def;
}

// A table with a blob (definition version 2) and the other key types.
inline kestrel::TableDef BlobTable() {
  using kestrel::FieldType;
  kestrel::TableDef def;
  def.record_length = 32;
  def.fields = {Field(FieldType::kShort, 0, 2, 0, "B:S"),  Field(FieldType::kUShort, 2, 2, 1, "B:U"),
                Field(FieldType::kULong, 4, 4, 2, "B:UL"), Field(FieldType::kReal, 8, 8, 3, "B:R"),
                Field(FieldType::kSReal, 16, 4, 4, "B:F"), Field(FieldType::kCString, 20, 8, 5, "B:C"),
                Field(FieldType::kTime, 28, 4, 6, "B:T")};
  def.memos = {kestrel::MemoDef{"PIC", "B:PIC", 0, kestrel::kMemoBlob | kestrel::kMemoBinary}};
  def.keys = {kestrel::KeyDef{"MIX", "B:CLAVE_MIX", kestrel::kKeyDuplicates,
                              {{0, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 1}, {5, 0}, {6, 0}}}};
  return def;
}

inline std::string GradeRow(int i) {
  std::string row(48, '\0');
  row[0] = static_cast<char>(i);
  row[1] = static_cast<char>(i >> 8);
  row.replace(4, 36, std::string(36, ' '));
  row.replace(4, 6, (i % 2 ? "Perez " : "gomez ") + std::to_string(i % 7));
  row[40] = static_cast<char>(i % 3 == 0 ? 0x00 : 0x07);
  row[41] = static_cast<char>(0x50);
  row[44] = static_cast<char>(1 + i % 28);
  row[45] = 3;
  row[46] = static_cast<char>(0xE0 + i % 8);
  row[47] = 0x07;
  return row;
}

inline std::string BlobRow(int i) {
  std::string row(32, '\0');
  row[0] = static_cast<char>(-i);
  row[1] = static_cast<char>(i % 2 ? 0xFF : 0x00);
  row[2] = static_cast<char>(i * 37);
  row[4] = static_cast<char>(i);
  row[15] = static_cast<char>(i % 2 ? 0xC0 : 0x40);  // REAL: sign alternates
  row[19] = static_cast<char>(0x3F);
  row.replace(20, 3, "ab" + std::to_string(i % 10));
  row[28] = static_cast<char>(i + 1);
  return row;
}

// File 0: one table of `rows` rows with memos, pages of at most 6 records.
// File 1: both tables, a blob spanning two segments, long runs so that some
// pages are stored compressed. File 2: an empty file (no pages yet).
inline std::vector<std::string> SeedFiles(int rows = 30) {
  std::vector<std::string> files;
  {
    kestrel::ImageWriter w;
    kestrel::TableWriter t(&w, "T", GradeTable());
    t.Create();
    for (int i = 0; i < rows; ++i) t.AddRow(GradeRow(i), {std::string(i * 20, static_cast<char>('a' + i % 26))});
    kestrel::ImageLayout layout;
    layout.max_records = 6;
    std::string out;
    w.Build(&out, layout);
    files.push_back(std::move(out));
  }
  {
    kestrel::ImageWriter w;
    kestrel::TableWriter a(&w, "GRADES", GradeTable());
    a.Create();
    for (int i = 0; i < 12; ++i) a.AddRow(GradeRow(i), {std::string(300, ' ') + "x"});
    kestrel::TableWriter b(&w, "BLOBS", BlobTable());
    b.Create();
    for (int i = 0; i < 5; ++i) b.AddRow(BlobRow(i), {std::string(i == 4 ? 10241 : 40 * i, static_cast<char>(i))});
    std::string out;
    w.Build(&out);
    files.push_back(std::move(out));
  }
  {
    kestrel::ImageWriter w;
    std::string out;
    w.Build(&out);
    files.push_back(std::move(out));
  }
  return files;
}

}  // namespace fuzzseeds
