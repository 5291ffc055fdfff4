// Table-level integrity checks over a file the driver wrote, and over
// copies of it with one fault each.
#include <functional>

#include "driver_fixture.h"
#include "runtime/kestrel/driver/table_check.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel::testing {
namespace {

class TableCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KestrelTable t(StudentDecl(path + "\\!students"));
    CreateAndOpen(t);
    AddStudent(t, 1, "Ana", "A1", "memo");
    AddStudent(t, 2, "Bob", "", std::string(300, 'm'));
    first = t.currentId();
    table = t.tableNumber();
    SetRow(t, 3, "Cy", "C1");
    ASSERT_EQ(t.Append(), 0);  // no entries yet: allowed by the markers
    ASSERT_EQ(t.Close(), 0);
  }

  // Runs `change` in a write cycle of the file, then the check.
  Outcome CheckAfter(const std::function<void(PageStore*)>& change, std::string* detail) {
    std::unique_ptr<PageStore> store;
    EXPECT_TRUE(PageStore::Open(path + ".KRL", {}, &store).ok());
    if (change) {
      store->BeginOperation();
      store->BeginWriteCycle();
      change(store.get());
      EXPECT_TRUE(store->EndOperation().ok());
    }
    return CheckTables(store.get(), detail);
  }

  TempDir dir;
  std::string path = dir.File("check");
  uint32_t first = 0;
  uint32_t table = 0;
};

TEST_F(TableCheckTest, SoundFilePasses) {
  std::string detail;
  Outcome o = CheckAfter(nullptr, &detail);
  EXPECT_TRUE(o.ok()) << detail;
  EXPECT_EQ(detail, "1 tables, 3 records");
}

TEST_F(TableCheckTest, EachFaultIsNamed) {
  const struct {
    const char* what;
    std::function<void(PageStore*)> change;
    Check check;
  } cases[] = {
      {"missing entry",
       [&](PageStore* s) {
         bool f;
         std::string key = KeyEntryPrefix(table, kKeyId) + std::string("\x80\x00\x00\x02", 4);
         ASSERT_TRUE(s->Remove(key, &f).ok());
         ASSERT_TRUE(f);
       },
       kCheckMissingEntry},
      {"extra entry",
       [&](PageStore* s) {
         ASSERT_TRUE(s->Insert(Record(KeyEntryPrefix(table, kKeyCode) + "ZZZZZZ", std::string("\0\0\0\3", 4))).ok());
       },
       kCheckDanglingEntry},
      {"wrong count",
       [&](PageStore* s) {
         bool f;
         ASSERT_TRUE(s->Update(Record(StatisticsKey(table, kKindData), Statistics{7, 0}.Encode()), &f).ok());
       },
       kCheckStatistics},
      {"orphan memo",
       [&](PageStore* s) { ASSERT_TRUE(s->Insert(Record(MemoKey(table, 999, 0, 0), "lost")).ok()); },
       kCheckOrphanMemo},
      {"memo gap",
       [&](PageStore* s) {
         bool f;
         ASSERT_TRUE(s->Remove(MemoKey(table, first, 0, 0), &f).ok());
         ASSERT_TRUE(f);
       },
       Check::kMemoSegments},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();  // a fresh file for each fault
    std::string detail;
    Outcome o = CheckAfter(c.change, &detail);
    EXPECT_TRUE(o.isCorruption());
    EXPECT_EQ(o.checkNumber(), static_cast<int>(c.check)) << detail;
    EXPECT_NE(detail.find("STUDENTS"), std::string::npos) << detail;
  }
}

}  // namespace
}  // namespace kestrel::testing
