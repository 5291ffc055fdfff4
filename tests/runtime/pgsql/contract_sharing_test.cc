// What one station sees of another: holds and table locks of another
// process, the "changed by another station" check, transactions over
// several tables.
#include <chrono>

#include "contract_fixture.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace contract {
namespace {

using kestrel::testing::ChildProcess;

TEST_P(Contract, HoldsAndLocksOfAnotherProcessExcludeThisOne) {
  uint32_t first = 0, second = 0;
  {
    auto f = Students();
    AddRow(*f, 1, "Ana");
    first = rt::Pointer(*f);
    AddRow(*f, 2, "Bob");
    second = rt::Pointer(*f);
  }
  // The other station holds record 1 and locks the table until told.
  ChildProcess child([&](ChildProcess& c) {
    auto g = Second();
    rt::Hold(*g);
    if (rt::GetById(*g, first) != 0) return 1;
    if (rt::Lock(*g) != 0) return 2;
    c.Signal();
    c.Await();
    return 0;
  });
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.Await());

  auto f = Second();
  rt::Hold(*f, 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(rt::GetById(*f, first), rt::Error_RecordIsAlreadyHeld);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  ASSERT_EQ(rt::GetById(*f, first), 0);  // reading without a hold is not refused
  EXPECT_EQ(Name(*f), "Ana");
  rt::setText(*f, 1, "Anita");
  EXPECT_EQ(rt::Put(*f), rt::Error_AccessDenied);
  EXPECT_EQ(rt::Delete(*f), rt::Error_RecordNotAvailable);
  rt::Hold(*f, 1);
  ASSERT_EQ(rt::GetById(*f, second), 0);  // other records are free
  rt::setText(*f, 1, "Bobby");
  EXPECT_EQ(rt::Put(*f), 0);
  EXPECT_EQ(rt::Release(*f), 0);
  EXPECT_EQ(rt::Lock(*f), rt::Error_FileIsAlreadyLocked);

  child.Signal();
  EXPECT_EQ(child.Join(), 0);
  rt::Hold(*f, 1);
  EXPECT_EQ(rt::GetById(*f, first), 0);
  EXPECT_EQ(rt::Lock(*f), 0);
  EXPECT_EQ(rt::Unlock(*f), 0);
  SetRow(*f, 1, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(Name(*f), "Ana");  // the refused Put changed nothing
}

TEST_P(Contract, WatchedRecordChangedElsewhereIsNotOverwritten) {
  auto f = Students();
  AddRow(*f, 1, "Ana", "", "5", "note");
  auto other = Second();

  SetRow(*f, 1, "");
  rt::Watch(*f);
  ASSERT_EQ(rt::Get(*f, kId), 0);
  SetRow(*other, 1, "");
  ASSERT_EQ(rt::Get(*other, kId), 0);
  rt::setMemo(*other, 0, "changed elsewhere");  // a memo change counts too
  ASSERT_EQ(rt::Put(*other), 0);
  rt::setText(*f, 1, "Mine");
  EXPECT_EQ(rt::Put(*f), rt::Error_RecordChangedByAnotherStation);

  // Read again (watched): the Put goes through, and a second Put of the
  // same station is no change by another.
  SetRow(*f, 1, "");
  rt::Watch(*f);
  ASSERT_EQ(rt::Get(*f, kId), 0);
  rt::setText(*f, 1, "Mine");
  ASSERT_EQ(rt::Put(*f), 0);
  rt::setText(*f, 1, "Mine again");
  EXPECT_EQ(rt::Put(*f), 0);

  // Without a watch the last writer wins.
  SetRow(*other, 1, "");
  ASSERT_EQ(rt::Get(*other, kId), 0);
  rt::setText(*f, 1, "Later");
  ASSERT_EQ(rt::Put(*f), 0);
  rt::setText(*other, 1, "Overwrites");
  EXPECT_EQ(rt::Put(*other), 0);
  SetRow(*f, 1, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(Name(*f), "Overwrites");
  EXPECT_EQ(rt::getMemo(*f, 0).value_or(""), "changed elsewhere");
}

TEST_P(Contract, TransactionsCoverSeveralTables) {
  auto a = Students("alpha");
  auto b = Students("beta");
  AddRow(*b, 1, "old");

  auto change_both = [&](const std::string& name) {
    ASSERT_EQ(rt::Logout(1, {a.get(), b.get()}), 0);
    AddRow(*a, 1, name);
    SetRow(*b, 1, "");
    ASSERT_EQ(rt::Get(*b, kId), 0);
    rt::setText(*b, 1, name);
    ASSERT_EQ(rt::Put(*b), 0);
  };
  change_both("rolled back");
  ASSERT_EQ(rt::Rollback(), 0);
  EXPECT_EQ(rt::Records(*a), 0);
  SetRow(*b, 1, "");
  ASSERT_EQ(rt::Get(*b, kId), 0);
  EXPECT_EQ(Name(*b), "old");

  change_both("committed");
  ASSERT_EQ(rt::Commit(), 0);
  auto a2 = Second("alpha");
  auto b2 = Second("beta");
  SetRow(*a2, 1, "");
  ASSERT_EQ(rt::Get(*a2, kId), 0);
  EXPECT_EQ(Name(*a2), "committed");
  SetRow(*b2, 1, "");
  ASSERT_EQ(rt::Get(*b2, kId), 0);
  EXPECT_EQ(Name(*b2), "committed");
}

// An operation refused inside a transaction (a duplicate key) takes back
// only itself: the transaction goes on and commits the rest.
TEST_P(Contract, ARefusedOperationLeavesTheTransactionUsable) {
  auto a = Students("alpha");
  ASSERT_EQ(rt::Logout(1, {a.get()}), 0);
  AddRow(*a, 1, "one");
  SetRow(*a, 1, "dup");
  EXPECT_EQ(rt::Add(*a), rt::Error_CreatesDuplicateKey);
  AddRow(*a, 2, "two");
  SetRow(*a, 1, "");
  ASSERT_EQ(rt::Get(*a, kId), 0);
  rt::setInteger(*a, 0, 2);
  EXPECT_EQ(rt::Put(*a), rt::Error_CreatesDuplicateKey);
  EXPECT_EQ(rt::Commit(), 0);
  EXPECT_EQ(rt::Records(*a), 2);
  ASSERT_EQ(rt::SetKey(*a, kName), 0);
  EXPECT_EQ(Walk(*a), "1 2");
}

}  // namespace
}  // namespace contract
