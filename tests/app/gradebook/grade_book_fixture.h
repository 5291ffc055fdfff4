// A scratch school folder with a grade book, and a plain save of a
// grade-book row over GradeHistory alone (the row and its history in one
// transaction), for the history's own tests; the program and the tools
// save through GradeRowSaver.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_history.h"
#include "runtime/core/decimal.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_transaction.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace app::testing {

inline void SetGrade(rt::FileControlBlock& book, std::string_view label, const char* value) {
  ASSERT_TRUE(rt::setDecimal(book, book.decl().findField(label), rt::Decimal::Parse(value).value())) << label;
}

inline void SetField(rt::FileControlBlock& book, std::string_view label, std::string_view text) {
  ASSERT_TRUE(rt::setText(book, book.decl().findField(label), text)) << label;
}

inline void SetNumber(rt::FileControlBlock& book, std::string_view label, int64_t value) {
  ASSERT_TRUE(rt::setInteger(book, book.decl().findField(label), value)) << label;
}

inline GradeAuthor Teacher(int32_t dni) { return {.dni = dni, .program = {}}; }

class GradeBookFolder {
 public:
  GradeBookFolder() {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/gradebook.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  ~GradeBookFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& dir() const { return dir_; }
  std::string BookPath() const { return dir_ + "/QVLIBRETA.KRL"; }

  // Makes the grade book with one row per student of subject 10; returns
  // their record ids. The book is closed afterwards.
  std::vector<uint32_t> MakeBook(int students) {
    rt::FileControlBlock book(QVLIBRETADecl());
    book.name = BookPath();
    std::vector<uint32_t> ids;
    EXPECT_EQ(rt::Create(book), 0);
    for (int s = 1; s <= students; ++s) {
      book.clearBuffers();
      SetNumber(book, "QVL:NRO_REGISTRO", s);
      SetNumber(book, "QVL:NRO_LEGAJO", s);
      SetNumber(book, "QVL:COD_MATERIA", 10);
      SetField(book, "QVL:ALUMNO", "Alumno " + std::to_string(s));
      EXPECT_EQ(rt::Add(book), 0);
      ids.push_back(rt::Pointer(book));
    }
    rt::Close(book);
    return ids;
  }

  // The grade book opened as the program opens it.
  std::unique_ptr<rt::FileControlBlock> OpenBook() const {
    auto book = std::make_unique<rt::FileControlBlock>(QVLIBRETADecl());
    book->name = BookPath();
    EXPECT_EQ(rt::Open(*book, rt::kAccessReadWrite | rt::kShareDenyNone), 0);
    return book;
  }

 private:
  std::string dir_;
};

// Saves record `id` changed by `change`, with its history, in one
// transaction; a failure rolls both back. 0 or the failing code. No rule.
inline int32_t SaveRow(rt::FileControlBlock& book, GradeHistory& history, uint32_t id,
                       const std::function<void(rt::FileControlBlock&)>& change, const GradeAuthor& author,
                       int32_t date = 80000, int32_t time = 3600001) {
  int32_t rc = rt::Logout(10, {&book, &history.Block()});
  if (rc != 0) return rc;
  rc = rt::GetById(book, id);
  if (rc == 0) {
    const std::vector<uint8_t> before = book.record;
    change(book);
    rc = rt::Put(book);
    if (rc == 0) rc = history.Append(before, book.record, author, date, time);
  }
  if (rc != 0) {
    rt::Rollback();
    return rc;
  }
  return rt::Commit();
}

// The history of subject 10 as a fresh reader finds it.
inline std::vector<GradeHistoryEntry> ReadHistory(const std::string& dir, int32_t student = 0) {
  GradeHistory reader(dir);
  std::vector<GradeHistoryEntry> entries;
  if (!reader.Exists()) return entries;
  EXPECT_EQ(reader.OpenForReading(), 0);
  EXPECT_EQ(reader.Read(10, student, &entries), 0);
  return entries;
}

}  // namespace app::testing
