// Relation managers over a three-level dictionary of Kestrel files:
// integrity rules on update and delete, transactions, cascading opens.
#include <map>
#include <string>
#include <vector>

#include "runtime/core/file_access.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_transaction.h"
#include "school_dict.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace fwtest {
namespace {

using fw::Level;
using Rows = std::map<int, std::string>;

class RelationManagerTest : public DataTest {
 protected:
  std::string folder = dir.file("");
};

TEST_F(RelationManagerTest, DeleteRules) {
  struct Case {
    const char* name;
    uint8_t mode;
    Level result;
    std::vector<int> shown;
    Rows parents, children, grands;
    std::vector<std::string> order;
  } cases[] = {
      {"cascade", fw::kRiCascade, Level::Benign, {},
       {{2, "TWO"}}, {{20, "2"}}, {{200, "20"}},
       // Each child's grandchildren go before it, each child before the parent.
       {"GRAND:100", "GRAND:101", "CHILD:10", "GRAND:110", "CHILD:11", "PARENT:1"}},
      {"clear", fw::kRiClear, Level::Benign, {},
       {{2, "TWO"}}, {{10, "0"}, {11, "0"}, {20, "2"}}, {{100, "10"}, {101, "10"}, {110, "11"}, {200, "20"}},
       {"PARENT:1"}},
      {"restrict", fw::kRiRestrict, Level::Notify, {33},
       {{1, "ONE"}, {2, "TWO"}}, {{10, "1"}, {11, "1"}, {20, "2"}},
       {{100, "10"}, {101, "10"}, {110, "11"}, {200, "20"}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir own;
    errors.ids.clear();
    SchoolDict d(own.file(""), &errors, {fw::kRiNone, c.mode, fw::kRiNone, c.mode});
    d.SeedAll();
    std::vector<std::string> order;
    std::vector<bool> cursor;
    for (TestAccess* a : {&d.parent, &d.child, &d.grand}) {
      a->deleteLog = &order;
      a->cursorLog = &cursor;
    }

    ASSERT_EQ(d.relParent.Open(), Level::Benign);
    ASSERT_TRUE(d.FetchParent(1));
    EXPECT_EQ(d.relParent.Delete(false), c.result);
    EXPECT_EQ(errors.ids, c.shown);
    EXPECT_EQ(order, c.order);
    // The whole cascade runs under the wait cursor, and it is gone after.
    EXPECT_EQ(cursor, std::vector<bool>(c.order.size(), true));
    EXPECT_FALSE(ui::Engine::current().waitCursor());
    d.relParent.Close();
    EXPECT_EQ(SchoolDict::Rows(d.parent), c.parents);
    EXPECT_EQ(SchoolDict::Rows(d.child), c.children);
    EXPECT_EQ(SchoolDict::Rows(d.grand), c.grands);
    EXPECT_TRUE(assertions().empty());
  }
}

TEST_F(RelationManagerTest, UpdateRules) {
  struct Case {
    const char* name;
    uint8_t mode;
    Level result;
    std::vector<int> shown;
    std::string bufferId;  // the parent's linking field afterwards
    Rows parents, children;
  } cases[] = {
      {"cascade", fw::kRiCascade, Level::Benign, {}, "9", {{2, "TWO"}, {9, "ONE"}}, {{10, "9"}, {11, "9"}, {20, "2"}}},
      {"clear", fw::kRiClear, Level::Benign, {}, "9", {{2, "TWO"}, {9, "ONE"}}, {{10, "0"}, {11, "0"}, {20, "2"}}},
      // Refused: the linking field goes back to the value Save remembered,
      // and the transaction leaves the parent as it was.
      {"restrict", fw::kRiRestrict, Level::Notify, {34}, "1", {{1, "ONE"}, {2, "TWO"}},
       {{10, "1"}, {11, "1"}, {20, "2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir own;
    errors.ids.clear();
    SchoolDict d(own.file(""), &errors, {c.mode, fw::kRiNone, c.mode, fw::kRiNone});
    d.SeedAll();
    ASSERT_EQ(d.relParent.Open(), Level::Benign);
    ASSERT_TRUE(d.FetchParent(1));
    d.relParent.Save();
    d.parent.set(0, "9");
    EXPECT_EQ(d.relParent.Update(), c.result);
    EXPECT_EQ(errors.ids, c.shown);
    EXPECT_EQ(d.parent.text(0), c.bufferId);
    d.relParent.Close();
    EXPECT_EQ(SchoolDict::Rows(d.parent), c.parents);
    EXPECT_EQ(SchoolDict::Rows(d.child), c.children);
    // The grandchildren hang on the children's own numbers, which did not change.
    EXPECT_EQ(SchoolDict::Rows(d.grand), (Rows{{100, "10"}, {101, "10"}, {110, "11"}, {200, "20"}}));
  }
}

TEST_F(RelationManagerTest, CascadeUpdateReachesTheThirdLevel) {
  SchoolDict d(folder, &errors, {fw::kRiCascade, fw::kRiNone, fw::kRiCascade, fw::kRiNone});
  d.SeedAll();
  ASSERT_EQ(d.relChild.Open(), Level::Benign);
  d.child.set(0, "10");
  ASSERT_EQ(d.child.Fetch(0), Level::Benign);
  d.relChild.Save();
  d.child.set(0, "15");
  EXPECT_EQ(d.relChild.Update(), Level::Benign);
  d.relChild.Close();
  EXPECT_EQ(SchoolDict::Rows(d.child), (Rows{{11, "1"}, {15, "1"}, {20, "2"}}));
  EXPECT_EQ(SchoolDict::Rows(d.grand), (Rows{{100, "15"}, {101, "15"}, {110, "11"}, {200, "20"}}));
}

TEST_F(RelationManagerTest, UnconfirmedDeleteTouchesNothing) {
  SchoolDict d(folder, &errors, {fw::kRiNone, fw::kRiCascade, fw::kRiNone, fw::kRiCascade});
  presenter.answer = [](const rt::MessageRequest&) -> uint32_t { return rt::Button_No; };
  EXPECT_EQ(d.relParent.Delete(true), Level::Cancel);
  EXPECT_EQ(errors.ids, std::vector<int>{11});
  for (TestAccess* a : {&d.parent, &d.child, &d.grand}) {
    EXPECT_EQ(a->GetOpened(), 0);
    EXPECT_FALSE(a->Used);
    EXPECT_FALSE(a->Block().enlisted);
  }
}

TEST_F(RelationManagerTest, FailedDeleteAsksAndRetries) {
  SchoolDict d(folder, &errors, {});
  d.SeedAll();
  ASSERT_EQ(d.relParent.Open(), Level::Benign);
  ASSERT_TRUE(d.FetchParent(2));
  d.parent.refuseDeletes = 1;
  EXPECT_EQ(d.relParent.Delete(false), Level::Benign);  // Yes to the retry question
  EXPECT_EQ(errors.ids, (std::vector<int>{13, 36}));
  EXPECT_EQ(SchoolDict::Rows(d.parent), (Rows{{1, "ONE"}}));

  errors.ids.clear();
  presenter.answer = [](const rt::MessageRequest& r) -> uint32_t {
    return r.buttons & rt::Button_No ? rt::Button_No : r.defaultButton;
  };
  ASSERT_TRUE(d.FetchParent(1));
  d.parent.refuseDeletes = 1;
  EXPECT_EQ(d.relParent.Delete(false), Level::Notify);
  EXPECT_EQ(errors.ids, (std::vector<int>{13, 36}));
  EXPECT_EQ(SchoolDict::Rows(d.parent), (Rows{{1, "ONE"}}));
  EXPECT_FALSE(rt::transactionActive());
  d.relParent.Close();
  EXPECT_EQ(d.parent.GetOpened(), 0);
}

TEST_F(RelationManagerTest, UpdateMeetingAnotherChangeTellsTheForm) {
  struct Case {
    bool fromForm;
    int shown;
  } cases[] = {{false, 7}, {true, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fromForm);
    TempDir own;
    errors.ids.clear();
    SchoolDict d(own.file(""), &errors, {});
    SchoolDict::Seed(d.parent, {{1, "ONE"}});
    const std::string path = own.file("PARENT.krl");
    kestrel::testing::ChildProcess other([&](kestrel::testing::ChildProcess& p) {
      if (!p.Await()) return 1;
      auto mine = Declare(own.file(""), "PARENT", "PAR", "NAME", "KESTREL");
      rt::FileControlBlock& b = mine->instance();
      if (rt::Share(b) != 0) return 2;
      rt::setValueText(rt::FieldRef{&b, 0, 0}, "1");
      if (rt::Get(b, 0) != 0) return 3;
      rt::setValueText(rt::FieldRef{&b, 1, 0}, "THEIRS");
      if (rt::Put(b) != 0) return 4;
      rt::Close(b);
      p.Signal();
      return 0;
    });
    ASSERT_EQ(d.relParent.Open(), Level::Benign);
    rt::Watch(d.parent.Block());
    ASSERT_TRUE(d.FetchParent(1));
    other.Signal();
    ASSERT_TRUE(other.Await());
    ASSERT_EQ(other.Join(), 0);
    d.parent.set(1, "MINE");
    EXPECT_EQ(d.relParent.Update(c.fromForm), Level::Notify);
    EXPECT_EQ(errors.ids, std::vector<int>{c.shown});
    EXPECT_EQ(d.parent.text(1), "THEIRS");
    EXPECT_FALSE(rt::transactionActive());
    d.relParent.Close();
  }
}

// Kestrel, but refusing to take part in transactions, and counting the
// quick-scan commands each file receives.
std::map<std::string, int> quickScans;

int32_t NoTransactions(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args) {
  if (op == rt::Op_Internal91) return 80;
  if (op == rt::Op_SEND && args.text.rfind("QUICKSCAN=", 0) == 0) ++quickScans[file.decl().label + " " + args.text];
  return kestrel::KestrelDriverEntry(op, file, args);
}

TEST_F(RelationManagerTest, DriverWithoutTransactionsAssertsOnce) {
  rt::registerDriver("NOTRANS", NoTransactions);
  SchoolDict d(folder, &errors, {}, "NOTRANS");
  SchoolDict::Seed(d.parent, {{1, "ONE"}, {2, "TWO"}});
  ASSERT_EQ(d.relParent.Open(), Level::Benign);
  for (int id : {1, 2}) {
    ASSERT_TRUE(d.FetchParent(id));
    d.parent.set(1, "NEW" + std::to_string(id));
    EXPECT_EQ(d.relParent.Update(), Level::Benign);
  }
  d.relParent.Close();
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Driver does not support transaction framing."), std::string::npos);
  EXPECT_FALSE(d.relParent.UseLogout);
  EXPECT_EQ(SchoolDict::Rows(d.parent), (Rows{{1, "NEW1"}, {2, "NEW2"}}));
}

TEST_F(RelationManagerTest, CascadingOpenCloseAndQuickScanVisitEachFileOnce) {
  rt::registerDriver("NOTRANS", NoTransactions);
  quickScans.clear();
  SchoolDict d(folder, &errors, {}, "NOTRANS");
  // PARENT lists CHILD and CHILD lists PARENT back.
  ASSERT_EQ(d.relChild.Open(), Level::Benign);
  EXPECT_EQ(d.child.GetOpened(), 1);
  EXPECT_TRUE(d.child.Used);  // a procedure's open opens its own file at once
  EXPECT_EQ(d.parent.GetOpened(), 1);
  EXPECT_EQ(d.grand.GetOpened(), 1);
  EXPECT_FALSE(d.parent.Used);  // related files wait for their first use
  ASSERT_EQ(d.relParent.Open(), Level::Benign);
  EXPECT_EQ(d.parent.GetOpened(), 2);
  EXPECT_EQ(d.child.GetOpened(), 2);

  d.grand.UseFile(fw::kUseRead);
  d.relChild.SetQuickScan(true, 3);
  EXPECT_EQ(quickScans, (std::map<std::string, int>{
                            {"CHILD QUICKSCAN=on", 1}, {"PARENT QUICKSCAN=on", 1}, {"GRAND QUICKSCAN=on", 1}}));
  quickScans.clear();
  d.relChild.SetQuickScan(false, 1);  // only the files looked up from CHILD
  EXPECT_EQ(quickScans, (std::map<std::string, int>{{"CHILD QUICKSCAN=off", 1}, {"PARENT QUICKSCAN=off", 1}}));

  d.relParent.Close();
  d.relChild.Close();
  for (TestAccess* a : {&d.parent, &d.child, &d.grand}) {
    EXPECT_EQ(a->GetOpened(), 0) << a->GetName();
    EXPECT_FALSE(a->Used);
  }
  // Closed files get no command, but the switch still passes through them.
  ASSERT_EQ(d.relGrand.Open(), Level::Benign);
  quickScans.clear();
  d.relParent.SetQuickScan(true, 3);
  EXPECT_EQ(quickScans, (std::map<std::string, int>{{"GRAND QUICKSCAN=on", 1}}));
  d.relGrand.Close();
  EXPECT_TRUE(assertions().empty());
}

TEST_F(RelationManagerTest, UseBeforeInitIsAProgrammingError) {
  fw::RelationManager rel;
  EXPECT_NE(rel.Open(), Level::Benign);
  EXPECT_NE(rel.Update(), Level::Benign);
  EXPECT_NE(rel.Delete(false), Level::Benign);
  rel.SetQuickScan(true, 3);
  rel.Kill();
  ASSERT_FALSE(assertions().empty());
  for (const std::string& a : assertions()) EXPECT_NE(a.find("Relation manager incorrectly initialized."), std::string::npos);
}

TEST_F(RelationManagerTest, FailedOpenLeavesNoCount) {
  auto file = Declare(folder, "PARENT", "PAR", "NAME", "KESTREL");
  TestAccess parent(file.get(), &errors, {{0, "PAR:K_ID", 0}}, /*create=*/false);
  TestRelate rel;
  rel.Init(&parent, true);
  EXPECT_EQ(rel.Open(), Level::Fatal);  // missing, and not to be created
  EXPECT_EQ(errors.ids, std::vector<int>{26});
  EXPECT_EQ(parent.GetOpened(), 0);
  EXPECT_FALSE(parent.Used);
}

}  // namespace
}  // namespace fwtest
