// What only the PostgreSQL driver has: rows read ahead (round trips per
// page, how long they serve), and the typed columns other programs read.
#include <thread>

#include "contract_fixture.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace contract {
namespace {

using kestrel::testing::ChildProcess;

class PgDriver : public Contract {
 protected:
  static uint64_t Trips() { return pgsql::PgConnection::threadRoundTrips(); }
};

TEST_P(PgDriver, APageOfRowsIsOneRoundTrip) {
  auto f = Students();
  ASSERT_EQ(rt::Logout(1, {f.get()}), 0);
  for (int i = 1; i <= 100; ++i) AddRow(*f, i, "N" + std::to_string(1000 + i));
  ASSERT_EQ(rt::Commit(), 0);

  SetRow(*f, 0, "N1020");
  ASSERT_EQ(rt::SetKeyKey(*f, kName), 0);
  const uint64_t before = Trips();
  std::string position;
  for (int i = 0; i < 31; ++i) {
    ASSERT_EQ(rt::Next(*f), 0);
    if (i == 29) position = rt::Position(*f, kName);
  }
  EXPECT_EQ(Id(*f), 50);
  ASSERT_EQ(rt::Reget(*f, kName, position), 0);
  EXPECT_EQ(Id(*f), 49);
  ASSERT_EQ(rt::Previous(*f), 0);
  EXPECT_EQ(Id(*f), 48);
  EXPECT_EQ(Trips() - before, 1u);
  // Reading on past the batch fetches the next one, larger; a batch that
  // comes short of its size has met the end.
  const std::string rest = Walk(*f);
  EXPECT_EQ(rest.substr(0, 8), "49 50 51");
  EXPECT_EQ(rest.substr(rest.size() - 3), "100");
  EXPECT_EQ(Trips() - before, 2u);
}

// Rows read ahead are a snapshot: another station's change shows once they
// have aged (a second), and at once on a held or watched read, which reads
// the row again (a held one under its lock).
TEST_P(PgDriver, RowsReadAheadAgeAndHoldsReadAgain) {
  std::vector<uint32_t> ids;
  {
    auto f = Students();
    for (int i = 1; i <= 5; ++i) {
      AddRow(*f, i, "N" + std::to_string(i));
      ids.push_back(rt::Pointer(*f));
    }
  }
  auto f = Second();
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  ASSERT_EQ(rt::Next(*f), 0);  // reads 1 and the rows after it
  ChildProcess child([&](ChildProcess&) {
    auto g = Second();
    for (size_t i = 1; i < ids.size(); ++i) {
      if (rt::GetById(*g, ids[i]) != 0) return 1;
      rt::setText(*g, 1, "changed");
      if (rt::Put(*g) != 0) return 2;
    }
    return 0;
  });
  ASSERT_EQ(child.Join(), 0);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Name(*f), "N2");  // read ahead before the change
  rt::Watch(*f);
  ASSERT_EQ(rt::Reget(*f, kId, rt::Position(*f, kId)), 0);
  EXPECT_EQ(Name(*f), "changed");
  rt::Hold(*f);
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 3);
  EXPECT_EQ(Name(*f), "changed");
  ASSERT_EQ(rt::Release(*f), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_EQ(rt::Next(*f), 0);
  EXPECT_EQ(Id(*f), 4);
  EXPECT_EQ(Name(*f), "changed");
}

TEST_P(PgDriver, TypedColumnsFollowTheRows) {
  auto f = Students();
  AddRow(*f, 1, "Pe\xF1" "a \x80", "C1", "9.5", "note");
  AddRow(*f, 2, "Bob", "", "-0.25");
  SetRow(*f, 2, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  rt::setText(*f, 1, "Roberto");
  ASSERT_EQ(rt::Put(*f), 0);
  int32_t code = 0;
  std::string message;
  pgsql::PgConnection* c = pgsql::PgConnection::forThread("", &code, &message);
  ASSERT_NE(c, nullptr);
  pgsql::PgResult r = c->exec("SELECT id::text || '|' || name || '|' || code || '|' || grade::text FROM " + schema_ +
                              ".students ORDER BY id");
  ASSERT_TRUE(r.ok()) << r.message();
  ASSERT_EQ(r.rows(), 2);
  EXPECT_EQ(r.bytes(0, 0), "1|Pe\xC3\xB1" "a \xE2\x82\xAC|C1|9.50");
  EXPECT_EQ(r.bytes(1, 0), "2|Roberto||-0.25");
}

INSTANTIATE_TEST_SUITE_P(Pg, PgDriver, ::testing::Values("PGSQL"), DriverName);

}  // namespace
}  // namespace contract
