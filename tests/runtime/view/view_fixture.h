// A small grade file on the Kestrel driver, and an observer that counts
// what a view asks of it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/view/view.h"

namespace rt::testing {

class OpCounter : public FileCallback {
 public:
  bool FunctionCalled(FileControlBlock&, FileNotice&) override { return true; }
  bool FunctionDone(FileControlBlock&, FileNotice& n) override {
    if (n.kind == FileOpKind::kRead && n.error_code == 0) ++reads;
    if (!n.by_view && n.op != Op_DISCARD) ++not_by_view;
    if (n.op == Op_INVIEW) ++inview;
    if (n.op == Op_ENDVIEW) ++endview;
    return true;
  }
  int reads = 0, not_by_view = 0, inview = 0, endview = 0;
};

// Fields: G:ID, G:SUBJECT (LONG), G:NAME (STRING 12), G:GRADE (DECIMAL 3,2),
// memo G:NOTE. Keys: 0 G:K_ID unique on ID; 1 G:K_SUBJECT_NAME duplicates,
// case-insensitive on SUBJECT, NAME; 2 G:K_SUBJECT_GRADE duplicates on
// SUBJECT, -GRADE.
//
//   id subject name  grade      id subject name  grade
//    1    1    dora  7.00        5    2    bea   6.00
//    2    2    Ana   9.50        6    3    Eve   5.00
//    3    2    carl  4.00        7    2    Carl  7.50
//    4    1    Bob   8.00        8    2    dan   6.00
class GradeFile : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/qv_view_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    FileDeclBuilder b("GRADES", "G", dir_ + "/grades.krl");
    b.Long("G:ID").Long("G:SUBJECT").String("G:NAME", 12).Decimal("G:GRADE", 3, 2).Memo("G:NOTE", 50);
    b.Key("G:K_ID", kKeyPrimary, {"G:ID"});
    b.Key("G:K_SUBJECT_NAME", kKeyDuplicates | kKeyNoCase, {"G:SUBJECT", "G:NAME"});
    b.Key("G:K_SUBJECT_GRADE", kKeyDuplicates, {"G:SUBJECT", "-G:GRADE"});
    FileDeclPtr decl = b.Build();
    ASSERT_TRUE(decl) << b.error();
    file = std::make_unique<FileControlBlock>(decl);
    ASSERT_EQ(Create(*file), 0);
    // The driver's create leaves its table closed; open it for real.
    Close(*file);
    ASSERT_EQ(Open(*file), 0);
    struct Row {
      int id, subject;
      const char* name;
      const char* grade;
    } rows[] = {{1, 1, "dora", "7"}, {2, 2, "Ana", "9.5"}, {3, 2, "carl", "4"}, {4, 1, "Bob", "8"},
                {5, 2, "bea", "6"},  {6, 3, "Eve", "5"},   {7, 2, "Carl", "7.5"}, {8, 2, "dan", "6"}};
    for (const Row& r : rows) {
      Put(r.id, r.subject, r.name);
      setDecimal(*file, 3, *Decimal::Parse(r.grade));
      setMemo(*file, 0, std::string("note ") + r.name);
      ASSERT_EQ(Add(*file), 0);
    }
  }
  void TearDown() override {
    file.reset();
    std::filesystem::remove_all(dir_);
  }

  void Put(int id, int subject, const char* name) {
    setInteger(*file, 0, id);
    setInteger(*file, 1, subject);
    setText(*file, 2, name);
  }
  int Id() const { return static_cast<int>(*getInteger(*file, 0)); }

  // Reads on until the view says 33, collecting G:ID.
  std::vector<int> ReadAll(View& v, bool forward = true) {
    std::vector<int> ids;
    for (int guard = 0; guard < 100; ++guard) {
      const int32_t rc = forward ? v.Next() : v.Previous();
      if (rc != 0) {
        EXPECT_EQ(rc, 33);
        break;
      }
      ids.push_back(Id());
    }
    return ids;
  }

  std::unique_ptr<FileControlBlock> file;
  std::string dir_;
};

}  // namespace rt::testing
