#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_fake_driver.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"

namespace rt {
namespace {

using testing::FakeDriver;

// Logs notices and driver calls into one sequence.
struct Log {
  std::vector<std::string> lines;
};

class Observer : public FileCallback {
 public:
  explicit Observer(Log* log) : log_(log) {}
  std::function<bool(FileControlBlock&, FileNotice&)> onCalled;
  std::function<void(FileControlBlock&, FileNotice&)> onDone;
  std::vector<FileNotice> called, done;

  bool FunctionCalled(FileControlBlock& f, FileNotice& n) override {
    log_->lines.push_back("called " + std::string(fileOpName(n.op)));
    called.push_back(n);
    return onCalled ? onCalled(f, n) : true;
  }
  bool FunctionDone(FileControlBlock& f, FileNotice& n) override {
    log_->lines.push_back("done " + std::string(fileOpName(n.op)) + " " + std::to_string(n.error_code));
    done.push_back(n);
    if (onDone) onDone(f, n);
    return true;
  }

 private:
  Log* log_;
};

class FileNoticeTest : public ::testing::Test {
 protected:
  FileNoticeTest() {
    driver.handler = [this](int32_t op, FileControlBlock&, DriverArgs&) {
      log.lines.push_back(std::string("driver ") + fileOpName(op));
      auto it = driver.codes.find(op);
      return it == driver.codes.end() ? 0 : it->second;
    };
    file.callback = &observer;
  }
  FakeDriver driver;
  Log log;
  Observer observer{&log};
  FileControlBlock file{testing::smallDecl()};
};

TEST_F(FileNoticeTest, CalledBeforeAndDoneAfterTheDriverWithTheOutcome) {
  driver.codes[Op_PUT] = 89;
  Put(file);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called PUT", "driver PUT", "done PUT 89"}));
  ASSERT_EQ(observer.done.size(), 1u);
  EXPECT_EQ(observer.done[0].error_message, "Record Changed By Another Station");
  EXPECT_EQ(observer.called[0].error_code, 0);
  EXPECT_EQ(ERRORCODE(), 89);
}

TEST_F(FileNoticeTest, OperationsTheRuntimeAnswersItselfAreStillNoticed) {
  Open(file);
  log.lines.clear();
  EXPECT_EQ(Open(file), 52);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called OPEN", "done OPEN 52"}));
  EXPECT_EQ(ERRORCODE(), 52);

  log.lines.clear();
  EXPECT_EQ(GetNulls(file), std::string(4, '\0'));  // one byte per field, none null
  EXPECT_EQ(SetNulls(file, std::string(4, '\0')), 0);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called GETNULLS", "done GETNULLS 0", "called SETNULLS",
                                                 "done SETNULLS 0"}));
}

TEST_F(FileNoticeTest, KindsSayWhatTheOperationDoesToRecords) {
  struct Case {
    std::function<void(FileControlBlock&)> call;
    FileOpKind kind;
  };
  const Case cases[] = {
      {[](auto& f) { Add(f); }, FileOpKind::kAdd},
      {[](auto& f) { Add(f, 4); }, FileOpKind::kAdd},
      {[](auto& f) { Append(f); }, FileOpKind::kAdd},
      {[](auto& f) { Append(f, 4); }, FileOpKind::kAdd},
      {[](auto& f) { Put(f); }, FileOpKind::kChange},
      {[](auto& f) { PutById(f, 1); }, FileOpKind::kChange},
      {[](auto& f) { Delete(f); }, FileOpKind::kDelete},
      {[](auto& f) { Get(f, 0); }, FileOpKind::kRead},
      {[](auto& f) { GetById(f, 1); }, FileOpKind::kRead},
      {[](auto& f) { GetById(f, 0, 1); }, FileOpKind::kRead},
      {[](auto& f) { Next(f); }, FileOpKind::kRead},
      {[](auto& f) { Previous(f); }, FileOpKind::kRead},
      {[](auto& f) { Reget(f, "x"); }, FileOpKind::kRead},
      {[](auto& f) { Reget(f, 0, "x"); }, FileOpKind::kRead},
      {[](auto& f) { SetKey(f, 0); }, FileOpKind::kOther},
      {[](auto& f) { Skip(f, 1); }, FileOpKind::kOther},
      {[](auto& f) { Close(f); }, FileOpKind::kOther},
      {[](auto& f) { Hold(f); }, FileOpKind::kOther},
  };
  for (const Case& c : cases) {
    observer.called.clear();
    observer.done.clear();
    c.call(file);
    ASSERT_EQ(observer.called.size(), 1u);
    ASSERT_EQ(observer.done.size(), 1u);
    EXPECT_EQ(observer.called[0].kind, c.kind) << fileOpName(observer.called[0].op);
    EXPECT_EQ(observer.done[0].kind, c.kind) << fileOpName(observer.called[0].op);
  }
}

TEST_F(FileNoticeTest, ViewScopeMarksOperationsWhileItLasts) {
  Next(file);
  {
    ViewIssueScope outer;
    Next(file);
    {
      ViewIssueScope inner;
      Next(file);
    }
    Next(file);  // still inside the outer scope
  }
  Next(file);
  ASSERT_EQ(observer.called.size(), 5u);
  std::vector<bool> marks;
  for (const FileNotice& n : observer.called) marks.push_back(n.by_view);
  EXPECT_EQ(marks, (std::vector<bool>{false, true, true, true, false}));
  EXPECT_TRUE(observer.done[2].by_view);
  EXPECT_FALSE(issuedByView());
}

TEST_F(FileNoticeTest, RefusedOperationNeverReachesTheDriver) {
  observer.onCalled = [](FileControlBlock&, FileNotice& n) {
    if (n.kind != FileOpKind::kDelete) return true;
    n.error_code = 33;
    n.error_message = "Deleting is not allowed here";
    return false;
  };
  EXPECT_EQ(Delete(file), 33);
  EXPECT_EQ(ERRORCODE(), 33);
  EXPECT_EQ(FileError().substr(0, 28), "Deleting is not allowed here");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called DELETE"}));

  observer.onCalled = [](FileControlBlock&, FileNotice&) { return false; };  // no code given
  EXPECT_EQ(Add(file), 5);
  EXPECT_EQ(ERRORCODE(), 5);
  EXPECT_TRUE(driver.ops().empty());
}

TEST_F(FileNoticeTest, DoneMayReplaceTheOutcome) {
  observer.onDone = [](FileControlBlock&, FileNotice& n) {
    if (n.error_code == 0) n.error_code = 43;
  };
  EXPECT_EQ(Next(file), 43);
  EXPECT_EQ(ERRORCODE(), 43);
}

TEST_F(FileNoticeTest, NestedOperationsInANoticeKeepTheOuterOutcome) {
  driver.codes[Op_GETfilekey] = 35;
  bool nested = false;
  observer.onDone = [&](FileControlBlock& f, FileNotice& n) {
    if (n.op == Op_GETfilekey && !nested) {
      nested = true;
      Records(f);  // succeeds and clears the error state
    }
  };
  EXPECT_EQ(Get(file, 0), 35);
  EXPECT_EQ(ERRORCODE(), 35);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called GETfilekey", "driver GETfilekey", "done GETfilekey 35",
                                                 "called RECORDSfile", "driver RECORDSfile", "done RECORDSfile 0"}));
}

TEST_F(FileNoticeTest, ObserverThatLeavesDuringCalledGetsNoDone) {
  observer.onCalled = [](FileControlBlock& f, FileNotice&) {
    f.callback = nullptr;
    return true;
  };
  EXPECT_EQ(Close(file), 0);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called CLOSE", "driver CLOSE"}));
}

TEST_F(FileNoticeTest, DiscardTellsTheObserverThenDestroysTheDriverPart) {
  Open(file);
  log.lines.clear();
  discardFile(file, true);
  ASSERT_EQ(observer.called.size(), 2u);
  EXPECT_EQ(observer.called[1].op, Op_DISCARD);
  EXPECT_TRUE(observer.called[1].cleanup);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"called DISCARD", "done DISCARD 0"}));
  EXPECT_EQ(driver.destroyed(), 1);
  EXPECT_EQ(file.driver_data, nullptr);
  EXPECT_FALSE(file.open);
}

}  // namespace
}  // namespace rt
