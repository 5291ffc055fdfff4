// The per-thread registry: nested procedures sharing a file, registration,
// and the open servers of files shared by all threads.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "runtime/view/bindings.h"
#include "framework/data/file_open_server.h"
#include "items_file.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_sequence.h"

namespace fwtest {
namespace {

using fw::Level;

class FilesManagerTest : public DataTest {
 protected:
  std::string path = dir.file("items.krl");
  std::unique_ptr<rt::DeclaredFile> file = ItemsFile(path);
};

TEST_F(FilesManagerTest, CalledProcedureGivesTheCallerItsRecordBack) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}, {"A", 2, "TWO"}, {"A", 3, "THREE"}, {"A", 4, "FOUR"}});
  struct Case {
    uint8_t kind;
    std::string afterReturn;  // the caller's buffer when the called procedure has closed the file
    std::string nextRead;
  } cases[] = {{fw::kUseRead, "TWO", "THREE"}, {fw::kUseChange, "FOUR", "THREE"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    TestAccess items(file.get(), &errors, ItemKeys());
    errors.SetProcedureName("Caller");
    items.Open();
    items.UseFile(fw::kUseRead);
    rt::SetKey(items.Block(), 0);
    items.Next();
    items.Next();
    ASSERT_EQ(items.text(kName), "TWO");

    errors.SetProcedureName("Called");
    items.Open();
    items.UseFile(c.kind);
    rt::SetKey(items.Block(), 0);
    while (items.TryNext() == Level::Benign) {
    }
    rt::SetKey(items.Block(), 0);
    items.Previous();  // the last record
    EXPECT_EQ(fw::ThreadFilesManager().StatusQ.size(), 2u);
    items.Close();
    errors.SetProcedureName();

    EXPECT_EQ(items.text(kName), c.afterReturn);
    EXPECT_EQ(fw::ThreadFilesManager().StatusQ.size(), 1u);
    if (c.kind == fw::kUseRead) {
      ASSERT_EQ(items.Next(), Level::Benign);  // and the caller's place in the sequence
      EXPECT_EQ(items.text(kName), c.nextRead);
    }
    items.Close();
    EXPECT_TRUE(fw::ThreadFilesManager().StatusQ.empty());
    EXPECT_TRUE(items.Saved.empty());
  }
}

TEST_F(FilesManagerTest, SecondRegistrationOfAFileIsRefused) {
  fw::FilesManager& registry = fw::ThreadFilesManager();
  const auto id = fw::FilesManager::GetFileId(file.get());
  auto first = std::make_unique<TestAccess>(file.get(), &errors, ItemKeys());
  EXPECT_EQ(registry.GetFileMapping(id), first.get());
  {
    TestAccess second(file.get(), &errors, ItemKeys());
    ASSERT_EQ(assertions().size(), 1u);
    EXPECT_NE(assertions()[0].find("Mapping for file already exists for the FM"), std::string::npos);
    EXPECT_EQ(registry.GetFileMapping(id), first.get());
  }
  EXPECT_EQ(registry.GetFileMapping(id), first.get());  // the second one's end leaves it alone
  first.reset();
  EXPECT_EQ(registry.GetFileMapping(id), nullptr);  // killed before ever being used
}

TEST_F(FilesManagerTest, SharedFileIsOpenedByTheFirstUserAndClosedByTheLast) {
  rt::FileDeclBuilder b("SHARED", "SHA", dir.file("shared.krl"));
  b.Attributes(rt::kFileCreate).Long("SHA:ID").Key("SHA:K_ID", rt::kKeyPrimary, {"SHA:ID"});
  rt::DeclaredFile shared(b.Build());
  ASSERT_EQ(rt::Create(shared.instance()), 0);
  rt::Close(shared.instance());

  fw::IFileOpenServer* mine = fw::CreateFileOpenServer(&shared);
  fw::IFileOpenServer* theirs = nullptr;
  ASSERT_EQ(mine->OpenFile(0x42), 0);
  EXPECT_TRUE(shared.instance().open);
  std::thread other([&] {
    theirs = fw::CreateFileOpenServer(&shared);
    EXPECT_EQ(theirs->OpenFile(0x42), 0);
  });
  other.join();
  EXPECT_EQ(theirs, mine);
  EXPECT_EQ(mine->CloseFile(), 0);
  EXPECT_TRUE(shared.instance().open);  // the other thread still uses it
  std::thread last([&] {
    EXPECT_EQ(theirs->CloseFile(), 0);
    theirs->Release();
  });
  last.join();
  EXPECT_FALSE(shared.instance().open);
  EXPECT_EQ(fw::UnthreadedFileOpenerCount(), 1u);
  mine->Release();
  EXPECT_EQ(fw::UnthreadedFileOpenerCount(), 0u);

  // A file with an instance per thread gets a server of its own each time.
  fw::IFileOpenServer* a = fw::CreateFileOpenServer(file.get());
  fw::IFileOpenServer* b2 = fw::CreateFileOpenServer(file.get());
  EXPECT_NE(a, b2);
  a->Release();
  b2->Release();
}

// Kestrel with opens and closes slowed down, so that a thread that looked
// at the shared server's count is still at work when the next one looks.
int32_t SlowOpenClose(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args) {
  if (op == rt::Op_OPEN || op == rt::Op_CLOSE) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return kestrel::KestrelDriverEntry(op, file, args);
}

TEST_F(FilesManagerTest, SharedServerKeepsItsFileOpenWhileAnyThreadUsesIt) {
  rt::registerDriver("SLOWOPEN", SlowOpenClose);
  rt::FileDeclBuilder b("SHARED", "SHA", dir.file("shared.krl"), "SLOWOPEN");
  b.Attributes(rt::kFileCreate).Long("SHA:ID").Key("SHA:K_ID", rt::kKeyPrimary, {"SHA:ID"});
  rt::DeclaredFile shared(b.Build());
  ASSERT_EQ(rt::Create(shared.instance()), 0);
  rt::Close(shared.instance());

  fw::IFileOpenServer* server = fw::CreateFileOpenServer(&shared);
  std::atomic<int> closedWhileUsed{0}, failed{0};
  std::vector<std::thread> users;
  for (int t = 0; t < 4; ++t) {
    users.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        if (server->OpenFile(0x42) != 0) ++failed;
        std::this_thread::sleep_for(std::chrono::microseconds(500));  // in use for a while
        if (!shared.instance().open) ++closedWhileUsed;
        if (server->CloseFile() != 0) ++failed;
      }
    });
  }
  for (std::thread& u : users) u.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(closedWhileUsed, 0);
  EXPECT_FALSE(shared.instance().open);  // the last user closed it
  server->Release();
  EXPECT_EQ(fw::UnthreadedFileOpenerCount(), 0u);
}

TEST_F(FilesManagerTest, ManagerOfAnEndingThreadLetsGoOfItsFile) {
  SeedItems(file.get(), &errors, {{"A", 1, "ONE"}});
  TestAccess* items = nullptr;
  bool bound = false;
  std::thread worker([&] {
    items = new TestAccess(file.get(), &errors, ItemKeys());
    items->Open();
    items->UseFile(fw::kUseRead);  // open, and left open when the thread ends
    bound = rt::threadBindings().Find("itm:name") != nullptr;
  });
  worker.join();
  EXPECT_TRUE(bound);
  EXPECT_TRUE(items->CleanedUp);
  EXPECT_EQ(items->GetOpened(), 0);
  EXPECT_FALSE(items->Used);
  delete items;
  EXPECT_TRUE(assertions().empty());
  // Nobody holds the file any more: it opens exclusively.
  auto other = ItemsFile(path);
  EXPECT_EQ(rt::Open(other->instance(), rt::kAccessReadWrite | rt::kShareDenyAll), 0);
  rt::Close(other->instance());
}

TEST_F(FilesManagerTest, OpenBindsTheFieldsByName) {
  {
    TestAccess items(file.get(), &errors, ItemKeys());
    items.Open();
    rt::BindingPtr name = rt::threadBindings().Find("ITM:NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->source.field.file, &items.Block());
    EXPECT_EQ(name->source.field.field, kName);
    items.Close();
  }
  EXPECT_EQ(rt::threadBindings().Find("ITM:NAME"), nullptr);  // gone with the manager
}

}  // namespace
}  // namespace fwtest
