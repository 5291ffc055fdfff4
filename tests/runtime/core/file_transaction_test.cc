#include <gtest/gtest.h>

#include <vector>

#include "file_fake_driver.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_transaction.h"

namespace rt {
namespace {

using testing::FakeDriver;

struct Call {
  int32_t op;
  FileControlBlock* file;
  bool operator==(const Call&) const = default;
};

class FileTransactionTest : public ::testing::Test {
 protected:
  ~FileTransactionTest() override {
    if (transactionActive()) Rollback();
  }
  std::vector<Call> calls() {
    std::vector<Call> out;
    for (const auto& c : driver.calls()) out.push_back({c.op, c.file});
    return out;
  }
  FakeDriver driver;
  FileControlBlock a{testing::smallDecl()};
  FileControlBlock b{testing::smallDecl()};
};

TEST_F(FileTransactionTest, FrameOverTwoFilesCommitsOnceThroughTheFirst) {
  ASSERT_EQ(Logout(2, {&a, &b}), 0);
  EXPECT_TRUE(transactionActive());
  EXPECT_EQ(driver.calls()[4].args.seconds, 2);
  EXPECT_EQ(Commit(), 0);
  EXPECT_FALSE(transactionActive());
  EXPECT_EQ(calls(), (std::vector<Call>{{Op_Internal91, &a}, {Op_Internal91, &b}, {Op_STARTRAN, &a},
                                         {Op_STARTRAN, &b}, {Op_LOGOUT, &a}, {Op_LOGOUT, &b}, {Op_COMMIT, &a},
                                         {Op_ENDTRAN, &a}, {Op_ENDTRAN, &b}}));
}

TEST_F(FileTransactionTest, FileNamedTwiceTakesPartOnce) {
  ASSERT_EQ(Logout(1, {&a, &b, &a}), 0);
  int logouts = 0;
  for (const Call& c : calls()) logouts += c.op == Op_LOGOUT;
  EXPECT_EQ(logouts, 2);
  EXPECT_EQ(Commit(), 0);
  int endtrans = 0;
  for (const Call& c : calls()) endtrans += c.op == Op_ENDTRAN;
  EXPECT_EQ(endtrans, 2);
}

TEST_F(FileTransactionTest, FrameMisuseIsRefused) {
  EXPECT_EQ(Commit(), 91);
  EXPECT_EQ(Rollback(), 91);
  EXPECT_EQ(Logout(1, std::span<FileControlBlock* const>()), 78);
  ASSERT_EQ(Logout(1, {&a}), 0);
  EXPECT_EQ(Logout(1, {&b}), 56);
  EXPECT_EQ(ERRORCODE(), 56);
  EXPECT_TRUE(transactionActive());  // the first frame goes on
  EXPECT_EQ(Rollback(), 0);
  EXPECT_FALSE(transactionActive());
}

TEST_F(FileTransactionTest, FilesOfDifferentDriversDoNotMix) {
  FakeDriver other("OTHER");
  other.identity = 2;
  FileControlBlock c(testing::smallDecl("OTHER"));
  EXPECT_EQ(Logout(1, {&a, &c}), 48);
  EXPECT_FALSE(transactionActive());
  for (const Call& call : calls()) EXPECT_NE(call.op, Op_LOGOUT);
}

TEST_F(FileTransactionTest, DriverWithoutTransactionsAnswers80) {
  driver.codes[Op_Internal91] = 80;
  EXPECT_EQ(Enlist(a), 80);
  EXPECT_FALSE(a.enlisted);
  EXPECT_EQ(Logout(1, {&a}), 80);
  EXPECT_FALSE(transactionActive());
}

TEST_F(FileTransactionTest, FailedLogoutRollsBackTheFilesAlreadyIn) {
  driver.handler = [this](int32_t op, FileControlBlock& f, DriverArgs& args) {
    if (op == Op_Internal91) args.value = 1;
    return op == Op_LOGOUT && &f == &b ? 5 : 0;
  };
  EXPECT_EQ(Logout(1, {&a, &b}), 5);
  EXPECT_EQ(ERRORCODE(), 5);
  EXPECT_FALSE(transactionActive());
  auto c = calls();
  ASSERT_GE(c.size(), 3u);
  EXPECT_EQ(c[c.size() - 3], (Call{Op_ROLLBACK, &a}));
  EXPECT_EQ(c[c.size() - 2], (Call{Op_ENDTRAN, &a}));
  EXPECT_EQ(c[c.size() - 1], (Call{Op_ENDTRAN, &b}));
}

TEST_F(FileTransactionTest, FailedCommitEndsTheFrameAndReportsTheCommitError) {
  ASSERT_EQ(Logout(1, {&a, &b}), 0);
  driver.codes[Op_COMMIT] = 90;
  driver.codes[Op_ROLLBACK] = 91;
  EXPECT_EQ(Commit(), 90);
  EXPECT_EQ(ERRORCODE(), 90);
  EXPECT_FALSE(transactionActive());
  auto c = calls();
  EXPECT_EQ(c[c.size() - 3], (Call{Op_ROLLBACK, &a}));
}

TEST_F(FileTransactionTest, EnlistedFilesFormTheNextFrameInEnlistingOrder) {
  ASSERT_EQ(Enlist(b), 0);
  ASSERT_EQ(Enlist(a), 0);
  ASSERT_EQ(Enlist(b), 0);  // once only
  EXPECT_TRUE(a.enlisted && b.enlisted);
  driver.forget();
  ASSERT_EQ(LogoutEnlisted(3), 0);
  EXPECT_FALSE(a.enlisted || b.enlisted);
  std::vector<Call> logouts;
  for (const Call& c : calls())
    if (c.op == Op_LOGOUT) logouts.push_back(c);
  EXPECT_EQ(logouts, (std::vector<Call>{{Op_LOGOUT, &b}, {Op_LOGOUT, &a}}));
  EXPECT_EQ(Rollback(), 0);
  EXPECT_EQ(calls()[calls().size() - 3], (Call{Op_ROLLBACK, &b}));
}

TEST_F(FileTransactionTest, BlockThatGoesAwayLeavesTheFrame) {
  auto c = std::make_unique<FileControlBlock>(testing::smallDecl());
  ASSERT_EQ(Enlist(*c), 0);
  ASSERT_EQ(Logout(1, {c.get(), &a}), 0);
  c.reset();
  driver.forget();
  EXPECT_EQ(Commit(), 0);
  EXPECT_EQ(calls(), (std::vector<Call>{{Op_COMMIT, &a}, {Op_ENDTRAN, &a}}));
  EXPECT_EQ(LogoutEnlisted(1), 78);  // the enlisted block went away too
}

}  // namespace
}  // namespace rt
