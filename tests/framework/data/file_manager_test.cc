// File managers on real Kestrel files: lazy opening, reads, numbering,
// inserts, updates, keys and saved states.
#include <string>
#include <vector>

#include "items_file.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_state.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace fwtest {
namespace {

using fw::Level;
using kestrel::testing::ChildProcess;

// Kestrel behind a hook that may answer an operation itself (a result
// of -1 passes it on), and a record of the commands sent.
std::function<int32_t(int32_t, rt::FileControlBlock&, rt::DriverArgs&)> intercept;
std::vector<std::string> commands;

int32_t Wrapped(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args) {
  if (op == rt::Op_SEND) commands.push_back(args.text);
  if (intercept) {
    int32_t code = intercept(op, file, args);
    if (code >= 0) return code;
  }
  return kestrel::KestrelDriverEntry(op, file, args);
}

class FileManagerTest : public DataTest {
 protected:
  FileManagerTest() {
    rt::registerDriver("WRAPPED", Wrapped);
    intercept = nullptr;
    commands.clear();
  }

  std::vector<Item> ReadAll(TestAccess& items) {
    std::vector<Item> out;
    items.UseFile(fw::kUseRead);
    rt::SetKey(items.Block(), 0);
    while (items.TryNext() == Level::Benign) {
      out.push_back({items.text(kPrefix), std::stoi(items.text(kNum)), items.text(kName)});
    }
    return out;
  }

  std::string path = dir.file("items.krl");
  std::unique_ptr<rt::DeclaredFile> file = ItemsFile(path);
};

TEST_F(FileManagerTest, LazyOpenCountsWithoutTouchingTheDisk) {
  TestAccess items(file.get(), &errors, ItemKeys());
  EXPECT_EQ(items.Open(), Level::Benign);
  EXPECT_EQ(items.Open(), Level::Benign);
  EXPECT_EQ(items.GetOpened(), 2);
  items.Close();
  items.Close();
  EXPECT_EQ(items.GetOpened(), 0);
  EXPECT_FALSE(items.Used);
  EXPECT_FALSE(Exists(path));

  // The first read opens (and here creates) the file; the last close closes it.
  items.Open();
  EXPECT_EQ(items.Next(), Level::Notify);
  EXPECT_TRUE(items.Used);
  EXPECT_TRUE(Exists(path));
  items.Close();
  EXPECT_FALSE(items.Used);
  EXPECT_FALSE(items.Block().open);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(FileManagerTest, UseBeforeAnyOpenIsReported) {
  // A manager that initialises itself on first use but does not open on demand.
  struct Plain : TestAccess {
    using TestAccess::TestAccess;
    Level UseFile(uint8_t kind) override {
      if (!Initialized || kind == fw::kUseInit) return TestAccess::UseFile(kind);
      return FileManager::UseFile(kind);
    }
  } items(file.get(), &errors, ItemKeys());
  items.UseFile(fw::kUseInit);  // initialised, and counted open once by its forced open
  items.Close();
  EXPECT_EQ(items.Next(), Level::Fatal);
  EXPECT_EQ(errors.ids, std::vector<int>{42});
}

TEST_F(FileManagerTest, SequentialReadsStopQuietlyAtTheEnd) {
  SeedItems(file.get(), &errors, {{"A", 2, "BETA"}, {"A", 1, "ALFA"}});
  TestAccess items(file.get(), &errors, ItemKeys());
  items.Open();
  items.UseFile(fw::kUseRead);
  rt::SetKey(items.Block(), 0);
  std::vector<std::string> names;
  Level r;
  while ((r = items.Next()) == Level::Benign) names.push_back(items.text(kName));
  EXPECT_EQ(r, Level::Notify);
  EXPECT_TRUE(items.GetEOF());
  EXPECT_EQ(names, (std::vector<std::string>{"ALFA", "BETA"}));
  EXPECT_EQ(items.Previous(), Level::Benign);  // turning back clears the end
  EXPECT_FALSE(items.GetEOF());
  EXPECT_TRUE(errors.ids.empty());
  items.Close();
}

TEST_F(FileManagerTest, MissingFileIsCreatedOnlyWhenAllowed) {
  struct Case {
    bool create;
    Level result;
    std::vector<int> shown;
  } cases[] = {{true, Level::Notify, {}}, {false, Level::Fatal, {26}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.create);
    errors.ids.clear();
    TempDir own;
    const std::string path = own.file("items.krl");
    auto file = ItemsFile(path);
    TestAccess items(file.get(), &errors, ItemKeys(), c.create);
    items.Open();
    EXPECT_EQ(items.Next(), c.result);  // an empty new file has nothing to read
    EXPECT_EQ(errors.ids, c.shown);
    EXPECT_EQ(Exists(path), c.create);
    if (!c.create) {
      EXPECT_NE(errors.texts.back().find("could not be opened"), std::string::npos);
      EXPECT_FALSE(items.Used);
    }
    items.Close();
  }
}

TEST_F(FileManagerTest, FileHeldForWritingElsewhereOpensReadOnly) {
  SeedItems(file.get(), &errors, {{"A", 1, "ALFA"}});
  ChildProcess writer([&](ChildProcess& c) {
    auto other = ItemsFile(path);
    if (rt::Open(other->instance(), rt::kAccessReadWrite | rt::kShareDenyWrite) != 0) return 1;
    c.Signal();
    if (!c.Await()) return 2;
    return rt::Close(other->instance());
  });
  ASSERT_TRUE(writer.Await());

  auto wrapped = ItemsFile(path, "WRAPPED");
  TestAccess items(wrapped.get(), &errors, ItemKeys());
  items.Open();
  EXPECT_EQ(items.UseFile(fw::kUseRead), Level::Benign);
  EXPECT_EQ(errors.ids, std::vector<int>{2});
  EXPECT_EQ(commands, std::vector<std::string>{"Recover=10"});  // once, before the second try in the same mode
  EXPECT_TRUE(items.Used);
  EXPECT_EQ(items.OpenMode, 0x40);  // read only, others may still read and write
  items.set(kPrefix, "A");
  items.set(kNum, "1");
  EXPECT_EQ(items.Fetch(0), Level::Benign);
  EXPECT_EQ(items.text(kName), "ALFA");
  EXPECT_EQ(errors.ids, std::vector<int>{2});  // shown once
  items.Close();
  writer.Signal();
  EXPECT_EQ(writer.Join(), 0);
}

TEST_F(FileManagerTest, NumbersFollowTheHighestOfTheSamePrefix) {
  SeedItems(file.get(), &errors, {{"A", 7, "A7"}, {"A", 3, "A3"}, {"B", 2, "B2"}, {"AB", 9, "AB9"}});
  struct Case {
    std::string prefix;
    int number;
  } cases[] = {{"A", 8}, {"B", 3}, {"C", 1}, {"AA", 1}, {"A", 9}};
  TestAccess items(file.get(), &errors, ItemKeys());
  items.Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix);
    items.PrimeRecord();  // numbers the blank prefix; thrown away again
    items.CancelAutoInc();
    rt::Clear(items.Block());
    items.set(kPrefix, c.prefix);
    items.set(kName, "NEW " + c.prefix + std::to_string(c.number));
    ASSERT_EQ(items.Insert(), Level::Benign);
    EXPECT_EQ(items.text(kNum), std::to_string(c.number));
  }
  EXPECT_TRUE(errors.ids.empty());
  EXPECT_EQ(ReadAll(items).size(), 9u);
  items.Close();
}

TEST_F(FileManagerTest, AliasNumbersThroughItsFileAndOwnsTheNumberedRecord) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}, {"A", 2, "TWO"}});
  TestAccess items(file.get(), &errors, ItemKeys());
  auto alias_file = ItemsFile(path);
  TestAccess alias(alias_file.get(), &errors, ItemKeys(0));
  alias.AliasedFile = &items;
  items.Open();
  alias.Open();

  // Primed through the aliased file, inserted through the alias: one record.
  alias.UseFile(fw::kUseRead);
  rt::Clear(alias.Block());
  alias.set(kPrefix, "A");
  ASSERT_EQ(alias.PrimeRecord(true), Level::Benign);
  EXPECT_EQ(alias.text(kNum), "3");
  EXPECT_TRUE(alias.GetAutoIncDone());
  alias.set(kName, "THREE");
  ASSERT_EQ(alias.Insert(), Level::Benign);
  EXPECT_EQ(rt::Records(items.Block()), 3);

  // A numbered record given up is removed again.
  rt::Clear(alias.Block());
  alias.set(kPrefix, "A");
  ASSERT_EQ(alias.PrimeRecord(true), Level::Benign);
  EXPECT_EQ(rt::Records(items.Block()), 4);
  EXPECT_EQ(alias.CancelAutoInc(), Level::Benign);
  EXPECT_EQ(rt::Records(items.Block()), 3);

  // Inserted without priming: numbered through the aliased file all the same.
  rt::Clear(alias.Block());
  alias.set(kPrefix, "A");
  alias.set(kName, "FOUR");
  ASSERT_EQ(alias.Insert(), Level::Benign);
  EXPECT_EQ(alias.text(kNum), "4");
  EXPECT_EQ(rt::Records(items.Block()), 4);
  EXPECT_TRUE(assertions().empty());
  EXPECT_TRUE(errors.ids.empty());
  alias.Close();
  std::vector<std::string> names;
  for (const Item& it : ReadAll(items)) names.push_back(it.prefix + std::to_string(it.num) + " " + it.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A1 ONE", "A2 TWO", "A3 THREE", "A4 FOUR"}));
  items.Close();
}

TEST_F(FileManagerTest, ThreeFailedNumberingsAskAndYesStartsAfresh) {
  struct Case {
    bool yes;
    Level result;
    size_t records;
  } cases[] = {{true, Level::Benign, 2}, {false, Level::Notify, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.yes);
    TempDir own;
    auto f = ItemsFile(own.file("items.krl"));
    SeedItems(f.get(), &errors, {{"A", 1, "TAKEN"}});
    TestAccess items(f.get(), &errors, ItemKeys());
    items.Open();
    items.UseFile(fw::kUseRead);
    rt::Clear(items.Block());
    items.set(kPrefix, "A");
    items.set(kName, "TAKEN");  // every add meets the unique name key
    int asked = 0;
    presenter.answer = [&](const rt::MessageRequest& r) -> uint32_t {
      if (r.caption != "Auto Increment Error") return r.defaultButton;
      ++asked;
      if (!c.yes) return rt::Button_No;
      items.set(kName, "FREE");
      return rt::Button_Yes;
    };
    errors.ids.clear();
    EXPECT_EQ(items.Insert(), c.result);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(errors.ids, std::vector<int>{35});
    EXPECT_NE(errors.texts.back().find("Key: Item name"), std::string::npos) << errors.texts.back();
    auto all = ReadAll(items);
    EXPECT_EQ(all.size(), c.records);
    if (c.yes) {
      EXPECT_EQ(all.back().name, "FREE");
      EXPECT_EQ(all.back().num, 2);
    }
    items.Close();
  }
}

TEST_F(FileManagerTest, InsertAfterPrimeRecordWritesTheNumberedRecord) {
  TestAccess items(file.get(), &errors, ItemKeys());
  items.Open();
  ASSERT_EQ(items.PrimeRecord(), Level::Benign);
  EXPECT_TRUE(items.GetAutoIncDone());
  EXPECT_EQ(rt::Records(items.Block()), 1);  // added as soon as it was numbered
  items.set(kName, "FIRST");
  EXPECT_EQ(items.Insert(), Level::Benign);
  EXPECT_FALSE(items.GetAutoIncDone());
  auto all = ReadAll(items);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].name, "FIRST");
  EXPECT_EQ(all[0].num, 1);

  // A numbered record the user gives up is taken away again.
  ASSERT_EQ(items.PrimeRecord(), Level::Benign);
  EXPECT_EQ(rt::Records(items.Block()), 2);
  EXPECT_EQ(items.CancelAutoInc(), Level::Benign);
  EXPECT_EQ(rt::Records(items.Block()), 1);
  EXPECT_FALSE(items.GetAutoIncDone());
  items.Close();
}

TEST_F(FileManagerTest, DuplicateKeyNamesTheKey) {
  SeedItems(file.get(), &errors, {{"A", 1, "ANA"}});
  TestAccess items(file.get(), &errors, ItemKeys(0));
  items.Open();
  items.PrimeRecord();
  items.set(kPrefix, "B");
  items.set(kNum, "1");
  items.set(kName, "ANA");
  EXPECT_EQ(items.TryInsert(), Level::Notify);
  EXPECT_EQ(items.LastError, 15);
  EXPECT_TRUE(errors.ids.empty());
  EXPECT_EQ(items.Insert(), Level::Notify);
  EXPECT_EQ(errors.ids, std::vector<int>{15});
  EXPECT_EQ(errors.texts.back(), "Adding this record creates a duplicate entry for the key: Item name");
  EXPECT_EQ(items.text(kName), "ANA");  // the buffer is left as the user typed it
  EXPECT_EQ(ReadAll(items).size(), 1u);
  items.Close();
}

TEST_F(FileManagerTest, UpdateMeetingAnotherProcessChangeShowsTheirVersion) {
  struct Case {
    bool quiet;
    std::vector<int> shown;
  } cases[] = {{false, {7}}, {true, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quiet);
    TempDir own;
    const std::string p = own.file("items.krl");
    auto f = ItemsFile(p);
    SeedItems(f.get(), &errors, {{"A", 1, "ORIGINAL"}});
    ChildProcess other([&](ChildProcess& child) {
      if (!child.Await()) return 1;
      auto mine = ItemsFile(p);
      rt::FileControlBlock& b = mine->instance();
      if (rt::Share(b) != 0) return 2;
      rt::setValueText(rt::FieldRef{&b, kPrefix, 0}, "A");
      rt::setValueText(rt::FieldRef{&b, kNum, 0}, "1");
      if (rt::Get(b, 0) != 0) return 3;
      rt::setValueText(rt::FieldRef{&b, kName, 0}, "THEIRS");
      if (rt::Put(b) != 0) return 4;
      rt::Close(b);
      child.Signal();
      return 0;
    });
    errors.ids.clear();
    TestAccess items(f.get(), &errors, ItemKeys());
    items.Open();
    items.UseFile(fw::kUseRead);
    items.set(kPrefix, "A");
    items.set(kNum, "1");
    rt::Watch(items.Block());
    ASSERT_EQ(items.Fetch(0), Level::Benign);
    other.Signal();
    ASSERT_TRUE(other.Await());
    ASSERT_EQ(other.Join(), 0);
    items.set(kNote, "MINE");
    EXPECT_EQ(c.quiet ? items.TryUpdate() : items.Update(), Level::Notify);
    EXPECT_EQ(items.LastError, 7);
    EXPECT_EQ(errors.ids, c.shown);
    EXPECT_EQ(items.text(kName), "THEIRS");
    EXPECT_EQ(items.text(kNote), "");
    items.Close();
  }
}

TEST_F(FileManagerTest, KeysDescribeTheirOrder) {
  TestAccess items(file.get(), &errors, ItemKeys());
  items.UseFile(fw::kUseInit);
  struct Case {
    int key, first;
    std::string order;
  } cases[] = {{2, 1, "ITM:NUM,-UPPER(ITM:NAME)"},
               {2, 0, "ITM:NUM,-UPPER(ITM:NAME)"},
               {2, 2, "-UPPER(ITM:NAME)"},
               {0, 1, "ITM:PREFIX,ITM:NUM"},
               {-1, 1, ""}};
  for (const Case& c : cases) EXPECT_EQ(items.KeyToOrder(c.key, c.first), c.order) << c.key << "," << c.first;
  EXPECT_EQ(items.GetComponents(2), 2);
  EXPECT_EQ(items.GetFieldName(1, 1), "ITM:NAME");
  EXPECT_FALSE(items.GetFieldAscending(2, 2));
  EXPECT_EQ(items.GetField(0, 2).field, kNum);
  EXPECT_TRUE(assertions().empty());

  EXPECT_FALSE(items.GetField(2, 3).valid());
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Key does not have component of this number :3"), std::string::npos);

  // Both ends of the range of the descending text component.
  items.ClearKey(2, 1, 2, true);
  EXPECT_EQ(rt::getInteger(items.Block(), kNum), INT32_MAX);
  EXPECT_EQ(items.Block().record[8], 0);  // lowest text: at the high end of a descending key
  items.Close();
}

TEST_F(FileManagerTest, SavedBuffersAndStatesComeBack) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}, {"A", 2, "TWO"}, {"A", 3, "THREE"}});
  TestAccess items(file.get(), &errors, ItemKeys());
  items.Open();
  items.UseFile(fw::kUseRead);
  rt::SetKey(items.Block(), 0);
  ASSERT_EQ(items.Next(), Level::Benign);

  uint16_t buffer = items.SaveBuffer();
  EXPECT_TRUE(items.EqualBuffer(buffer));
  items.set(kNote, "EDITED");
  EXPECT_FALSE(items.EqualBuffer(buffer));
  items.RestoreBuffer(buffer);
  EXPECT_EQ(buffer, 0);
  EXPECT_EQ(items.text(kNote), "");
  EXPECT_EQ(items.text(kName), "ONE");

  uint16_t state = items.SaveFile();
  ASSERT_NE(state, 0);
  ASSERT_EQ(items.Next(), Level::Benign);
  ASSERT_EQ(items.Next(), Level::Benign);
  EXPECT_EQ(items.text(kName), "THREE");
  items.RestoreFile(state);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(items.text(kName), "ONE");
  ASSERT_EQ(items.Next(), Level::Benign);
  EXPECT_EQ(items.text(kName), "TWO");  // the sequence goes on from the saved place
  EXPECT_TRUE(items.Buffers.empty());
  EXPECT_TRUE(items.Saved.empty());

  items.RestoreBuffer(buffer);  // 0: nothing saved under it
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Restore handle is invalid"), std::string::npos);
  items.Close();
}

TEST_F(FileManagerTest, RestoringIntoAFileThatCannotReopenStillFreesTheSavedState) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}, {"A", 2, "TWO"}});
  auto wrapped = ItemsFile(path, "WRAPPED");
  TestAccess items(wrapped.get(), &errors, ItemKeys());
  items.Open();
  items.UseFile(fw::kUseRead);
  rt::SetKey(items.Block(), 0);
  ASSERT_EQ(items.Next(), Level::Benign);
  uint16_t state = items.SaveFile();
  ASSERT_NE(state, 0);
  ASSERT_EQ(rt::savedStateCount(items.Block()), 1u);

  // Closed, then the open is refused: the restore cannot use the file.
  items.Close();
  intercept = [](int32_t op, rt::FileControlBlock&, rt::DriverArgs&) -> int32_t {
    return op == rt::Op_OPEN ? 5 : -1;
  };
  items.Open();
  items.set(kName, "TYPED");
  items.RestoreFile(state);
  intercept = nullptr;
  EXPECT_EQ(state, 0);
  EXPECT_TRUE(items.Saved.empty());
  EXPECT_TRUE(items.Buffers.empty());
  EXPECT_EQ(rt::savedStateCount(items.Block()), 0u);
  EXPECT_EQ(items.text(kName), "TYPED");  // nothing restored
  EXPECT_TRUE(assertions().empty());
  items.Close();
}

TEST_F(FileManagerTest, MisuseOfTheRuntimeIsReported) {
  TestAccess items(file.get(), &errors, ItemKeys());
  items.Open();
  items.UseFile(fw::kUseRead);

  rt::Close(items.Block());  // behind the manager's back while it counts the file open
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("You are calling CLOSE(" + items.GetName() + ") instead of FileManager.Close()"),
            std::string::npos);

  items.Close();
  rt::Next(items.Block());  // a read that no UseFile prepared
  ASSERT_EQ(assertions().size(), 2u);
  EXPECT_NE(assertions()[1].find("You have not called FileManager.UseFile() for"), std::string::npos);
}

TEST_F(FileManagerTest, RecordHeldElsewhereIsSkippedOrReported) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}, {"A", 2, "TWO"}, {"A", 3, "THREE"}});
  ChildProcess holder([&](ChildProcess& c) {
    auto other = ItemsFile(path);
    rt::FileControlBlock& b = other->instance();
    if (rt::Share(b) != 0) return 1;
    rt::setValueText(rt::FieldRef{&b, kPrefix, 0}, "A");
    rt::setValueText(rt::FieldRef{&b, kNum, 0}, "2");
    rt::Hold(b);
    if (rt::Get(b, 0) != 0) return 2;
    c.Signal();
    if (!c.Await()) return 3;
    return rt::Close(b);
  });
  ASSERT_TRUE(holder.Await());
  struct Case {
    bool skip;
    Level result;
    std::string name;
    std::vector<int> shown;
  } cases[] = {{true, Level::Benign, "THREE", {}}, {false, Level::Notify, "ONE", {31}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.skip);
    errors.ids.clear();
    TestAccess items(file.get(), &errors, ItemKeys());
    items.Open();
    items.UseFile(fw::kUseRead);
    items.SkipHeldRecords = c.skip;
    rt::SetKey(items.Block(), 0);
    ASSERT_EQ(items.Next(), Level::Benign);
    rt::Hold(items.Block(), 1);  // wait a second at most for a held record
    EXPECT_EQ(items.Next(), c.result);
    EXPECT_EQ(items.text(kName), c.name);
    EXPECT_EQ(errors.ids, c.shown);
    items.Close();
  }
  holder.Signal();
  EXPECT_EQ(holder.Join(), 0);
}

TEST_F(FileManagerTest, ValidationStopsWritesAtTheFirstFailingField) {
  struct Checked : TestAccess {
    using TestAccess::TestAccess;
    Level ValidateFieldServer(int n, bool) override {
      return n == kNote + 1 && text(kNote) == "BAD" ? Level::Notify : Level::Benign;
    }
  } items(file.get(), &errors, ItemKeys(0));
  items.Open();
  items.PrimeRecord();
  items.set(kPrefix, "A");
  items.set(kNum, "1");
  items.set(kNote, "BAD");
  int failed = 0;
  EXPECT_EQ(items.ValidateRecord(&failed), Level::Notify);
  EXPECT_EQ(failed, kNote + 1);
  EXPECT_EQ(items.Insert(), Level::Notify);
  EXPECT_EQ(rt::Records(items.Block()), 0);
  items.set(kNote, "GOOD");
  ASSERT_EQ(items.Insert(), Level::Benign);
  items.set(kNote, "BAD");
  EXPECT_EQ(items.Update(), Level::User);  // the caller may let the user correct it
  EXPECT_TRUE(errors.ids.empty());
  items.Close();
}

TEST_F(FileManagerTest, KeysThatMustBeRebuiltAreRebuiltOnOpen) {
  struct Case {
    int32_t buildAnswer;
    Level result;
    std::vector<int> shown;
  } cases[] = {{0, Level::Benign, {30}}, {90, Level::Fatal, {30, 29}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buildAnswer);
    TempDir own;
    auto items_file = ItemsFile(own.file("items.krl"), "WRAPPED");
    SeedItems(items_file.get(), &errors, {{"A", 1, "ONE"}});
    int builds = 0;
    bool reported = false;
    intercept = [&](int32_t op, rt::FileControlBlock&, rt::DriverArgs&) -> int32_t {
      if (op == rt::Op_OPEN && !reported) {
        reported = true;
        return 46;  // the key file must be rebuilt
      }
      if (op == rt::Op_BUILDfile) {
        ++builds;
        return c.buildAnswer;
      }
      return -1;
    };
    errors.ids.clear();
    TestAccess items(items_file.get(), &errors, ItemKeys());
    items.Open();
    EXPECT_EQ(items.UseFile(fw::kUseRead), c.result);
    EXPECT_EQ(errors.ids, c.shown);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(items.Used, c.buildAnswer == 0);
    items.Close();
    intercept = nullptr;
  }
}

}  // namespace
}  // namespace fwtest
