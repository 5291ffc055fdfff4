// The entry routine through the runtime's file layer.
#include "driver_fixture.h"

#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/view/filter_accept.h"

namespace kestrel::testing {
namespace {

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterKestrelDriver(); }

  rt::FileDeclPtr Decl(bool with_fields = true) {
    rt::FileDeclBuilder b("PUPILS", "P", dir.File("pupils\\!p"));
    if (with_fields) {
      b.Long("P:ID").String("P:NAME", 20).Memo("P:NOTE", 100);
      b.Key("P:K_ID", rt::kKeyPrimary, {"P:ID"});
      b.Key("P:K_NAME", rt::kKeyDuplicates | rt::kKeyNoCase, {"P:NAME"});
    }
    return b.Build();
  }

  TempDir dir;
};

TEST_F(EntryTest, OperationsByNumber) {
  rt::FileControlBlock f(Decl());
  ASSERT_EQ(rt::Create(f), 0);
  for (int i = 1; i <= 3; ++i) {
    rt::setInteger(f, 0, i);
    rt::setText(f, 1, "Name " + std::to_string(4 - i));
    f.memos[0] = "note";
    ASSERT_EQ(rt::Add(f), 0);
  }
  EXPECT_EQ(rt::Records(f), 3);
  ASSERT_EQ(rt::SetKey(f, 1), 0);
  ASSERT_EQ(rt::Next(f), 0);
  EXPECT_EQ(rt::getInteger(f, 0).value_or(0), 3);
  EXPECT_EQ(f.memos[0].size(), 100u);  // text memos come back padded
  EXPECT_EQ(f.memos[0].substr(0, 5), "note ");

  rt::DriverArgs args;
  EXPECT_EQ(rt::callFile(f, rt::Op_Internal91, args), 0);
  EXPECT_NE(args.value, 0);
  EXPECT_EQ(rt::Name(f), dir.File("pupils.KRL") + "\\!P");
  for (int op : {51, 53, 55, 59, 68, 70, 74, 80, 81, 83, 87, 90, 94, 97, 100, 103}) {
    SCOPED_TRACE(op);
    rt::DriverArgs none;
    EXPECT_EQ(rt::callFile(f, op, none), rt::Error_UnsupportedFileDriverFunction);
    EXPECT_EQ(rt::ERRORCODE(), rt::Error_UnsupportedFileDriverFunction);
  }
  ASSERT_EQ(rt::Close(f), 0);
}

TEST_F(EntryTest, BlockWithoutFieldsTakesTheStoredLayout) {
  {
    rt::FileControlBlock f(Decl());
    ASSERT_EQ(rt::Create(f), 0);
    rt::setInteger(f, 0, 7);
    rt::setText(f, 1, "Seven");
    ASSERT_EQ(rt::Add(f), 0);
  }
  rt::FileControlBlock bare(Decl(false));
  ASSERT_EQ(rt::Share(bare), 0);
  ASSERT_EQ(bare.decl().fields.size(), 2u);
  EXPECT_EQ(bare.decl().keys.size(), 2u);
  ASSERT_EQ(rt::SetFile(bare), 0);
  ASSERT_EQ(rt::Next(bare), 0);
  EXPECT_EQ(rt::getInteger(bare, 0).value_or(0), 7);
}

// A run-time index with a filter holds exactly the records the compiled
// filter admits; the filter text alone cannot be run by the driver.
TEST_F(EntryTest, FilteredRunTimeIndexKeepsOnlyAdmittedRecords) {
  rt::FileDeclBuilder b("PUPILS", "P", dir.File("runs\\!p"));
  b.Long("P:ID").String("P:NAME", 20);
  b.Key("P:K_ID", rt::kKeyPrimary, {"P:ID"});
  b.Key("P:K_RUN", rt::kKeyDynamic | rt::kKeyDuplicates, {"P:ID"});
  rt::FileControlBlock f(b.Build());
  ASSERT_EQ(rt::Create(f), 0);
  for (int i = 1; i <= 6; ++i) {
    rt::setInteger(f, 0, i);
    rt::setText(f, 1, std::string(1, static_cast<char>('A' + i)));
    ASSERT_EQ(rt::Add(f), 0);
  }
  auto names_by = [&](int key) {
    std::string names;
    EXPECT_EQ(rt::SetKey(f, key), 0);
    while (rt::Next(f) == 0) names += rt::getText(f, 1).value_or("").substr(0, 1);
    return names;
  };
  rt::setInteger(f, 0, 42);  // the caller's buffer survives the build
  ASSERT_EQ(rt::BuildFilteredIndex(f, 1, "-P:NAME", "P:ID % 2 = 0 OR P:NAME = 'B'"), 0);
  EXPECT_EQ(rt::getInteger(f, 0).value_or(0), 42);
  EXPECT_EQ(names_by(1), "GECB");
  EXPECT_EQ(rt::Records(f), 6);

  ASSERT_EQ(rt::BuildFilteredIndex(f, 1, "+P:ID", "P:ID > 99"), 0);
  EXPECT_EQ(names_by(1), "");
  ASSERT_EQ(rt::BuildDynamic(f, 1, "+P:ID"), 0);
  EXPECT_EQ(names_by(1), "BCDEFG");

  EXPECT_EQ(rt::BuildDynamic(f, 1, "+P:ID", "P:ID > 3"), rt::Error_UnsupportedFileDriverFunction);
  ASSERT_EQ(rt::BuildDynamic(f, 1, "+P:ID", {}, [](rt::FileControlBlock& row) {
              return rt::getInteger(row, 0).value_or(0) > 3;
            }),
            0);
  EXPECT_EQ(names_by(1), "EFG");
  ASSERT_EQ(rt::Close(f), 0);
}

}  // namespace
}  // namespace kestrel::testing
