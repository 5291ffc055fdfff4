// A small student table for the driver tests, and a scratch directory.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel::testing {

// Fields: ID LONG @0, NAME STRING(20) @4, CODE STRING(6) @24, GRADE DECIMAL(3,2) @30.
// Keys:   0 K_ID unique on ID; 1 K_NAME duplicates, no case, on NAME;
//         2 K_CODE unique, blank entries left out, on CODE.
// Memo:   NOTE of 1000 bytes.
inline constexpr int kKeyId = 0;
inline constexpr int kKeyName = 1;
inline constexpr int kKeyCode = 2;

inline TableDef StudentDef() {
  TableDef d;
  d.record_length = 33;
  auto field = [](FieldType type, uint16_t offset, const char* name, uint16_t size, uint16_t position) {
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
  };
  FieldDef id = field(FieldType::kLong, 0, "T:ID", 4, 0);
  FieldDef name = field(FieldType::kString, 4, "T:NAME", 20, 1);
  FieldDef code = field(FieldType::kString, 24, "T:CODE", 6, 2);
  FieldDef grade = field(FieldType::kDecimal, 30, "T:GRADE", 3, 3);
  d.fields = {id, name, code, grade};
  d.memos = {MemoDef{"", "T:NOTE", 1000, 0}};
  d.keys = {KeyDef{"", "T:K_ID", kKeyPrimary, {{0, 0}}},
            KeyDef{"", "T:K_NAME", kKeyDuplicates | kKeyNoCase, {{1, 0}}},
            KeyDef{"", "T:K_CODE", kKeyExcludeBlank, {{2, 0}}}};
  return d;
}

inline std::string Text(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

inline void SetRow(KestrelTable& t, int32_t id, const std::string& name, const std::string& code = "") {
  std::string& r = t.record();
  r.assign(33, '\0');
  Put32LE(r.data(), static_cast<uint32_t>(id));
  r.replace(4, 20, Text(name, 20));
  r.replace(24, 6, Text(code, 6));
}

inline int32_t RowId(KestrelTable& t) { return static_cast<int32_t>(Get32LE(t.record().data())); }
inline std::string RowName(KestrelTable& t) {
  std::string s = t.record().substr(4, 20);
  return s.erase(s.find_last_not_of(' ') + 1);
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/krldrv.XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline TableDeclaration StudentDecl(const std::string& name) {
  TableDeclaration d;
  d.name = name;
  d.create = true;
  d.layout = StudentDef();
  return d;
}

// Creates the table `name` and opens it shared.
inline void CreateAndOpen(KestrelTable& t) {
  ASSERT_EQ(t.Create(), 0);
  ASSERT_EQ(t.Share(), 0);
}

inline void AddStudent(KestrelTable& t, int32_t id, const std::string& name, const std::string& code = "",
                       const std::string& note = "") {
  SetRow(t, id, name, code);
  t.memos() = {note};
  ASSERT_EQ(t.Add(), 0) << "adding " << id;
}

}  // namespace kestrel::testing
