#include "framework/data/ini_class.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/core/private_profile.h"
#include "scripted_presenter.h"
#include "temp_dir.h"
#include "tests/runtime/kestrel/driver/child_process.h"

namespace {

using fw::INIClass;
using fw::kNotRecorded;
using fwtest::readText;
using fwtest::writeText;
using kestrel::testing::ChildProcess;

TEST(PrivateProfile, EditsKeepCommentsOrderAndLineEndings) {
  fwtest::TempDir dir;
  std::string path = dir.file("other.ini");
  writeText(path, "; written by another tool\r\n[Main]\r\nXPos = 10\r\n\r\n[Other]\r\nname=\"quoted value\"\r\n");
  EXPECT_EQ(rt::getProfileString("main", "xpos", "-", path), "10");  // names ignore case
  EXPECT_EQ(rt::getProfileString("Other", "name", "-", path), "quoted value");
  EXPECT_EQ(rt::getProfileString("Other", "absent", "dflt", path), "dflt");
  EXPECT_EQ(rt::getProfileString("Nowhere", "name", "dflt", path), "dflt");

  ASSERT_TRUE(rt::writeProfileString("MAIN", "XPos", "20", path));
  ASSERT_TRUE(rt::writeProfileString("Main", "YPos", "30", path));
  ASSERT_TRUE(rt::writeProfileString("Other", "name", std::nullopt, path));
  ASSERT_TRUE(rt::writeProfileString("New", "a", "b", path));
  EXPECT_EQ(readText(path),
            "; written by another tool\r\n[Main]\r\nXPos=20\r\nYPos=30\r\n\r\n[Other]\r\n\r\n[New]\r\na=b\r\n");
  EXPECT_TRUE(rt::writeProfileString("Main", "never-there", std::nullopt, path));  // nothing to delete
}

TEST(PrivateProfile, MissingFileIsCreatedAndUnwritableFolderFails) {
  fwtest::TempDir dir;
  std::string path = dir.file("new.ini");
  EXPECT_EQ(rt::getProfileString("S", "n", "d", path), "d");
  ASSERT_TRUE(rt::writeProfileString("S", "n", "v", path));
  EXPECT_EQ(readText(path), "[S]\nn=v\n");
  EXPECT_FALSE(rt::writeProfileString("S", "n", "v", dir.file("no/such/folder.ini")));
}

TEST(PrivateProfile, ConcurrentWritersLoseNothing) {
  fwtest::TempDir dir;
  std::string path = dir.file("busy.ini");
  auto writer = [&](int t) {
    for (int i = 0; i < 40; ++i)
      rt::writeProfileString("S" + std::to_string(t), "n" + std::to_string(i), std::to_string(i), path);
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();
  for (int t = 1; t <= 2; ++t)
    for (int i = 0; i < 40; ++i)
      EXPECT_EQ(rt::getProfileString("S" + std::to_string(t), "n" + std::to_string(i), "lost", path), std::to_string(i));
}

class FakeWindow : public fw::WindowPlacement {
 public:
  bool maximized() const override { return max; }
  void setMaximized(bool on) override { max = on; }
  bool minimized() const override { return min; }
  void setMinimized(bool on) override { min = on; }
  int32_t x() const override { return px; }
  int32_t y() const override { return py; }
  void setPosition(int32_t x, int32_t y) override { px = x, py = y; }
  int32_t width() const override { return w; }
  int32_t height() const override { return h; }
  void setWidth(int32_t v) override { w = v; }
  void setHeight(int32_t v) override { h = v; }
  bool resizable() const override { return canResize; }
  bool max = false, min = false, canResize = true;
  int32_t px = 0, py = 0, w = 0, h = 0;
};

class IniTest : public testing::Test {
 protected:
  void SetUp() override { ini.Init(dir.file("QVAPP.INI")); }
  fwtest::TempDir dir;
  INIClass ini;
  fwtest::ScriptedPresenter messages;
};

TEST_F(IniTest, WindowPositionRoundTrips) {
  FakeWindow closed;
  closed.px = 12, closed.py = 34, closed.w = 560, closed.h = 300;
  ini.Update("Main", closed);
  FakeWindow opened;
  ini.Fetch("Main", opened);
  EXPECT_EQ(opened.px, 12);
  EXPECT_EQ(opened.py, 34);
  EXPECT_EQ(opened.w, 560);
  EXPECT_EQ(opened.h, 300);
  EXPECT_FALSE(opened.max);
}

TEST_F(IniTest, MaximisedWindowStoresNoGeometryAndReopensMaximised) {
  FakeWindow closed;
  closed.max = true, closed.px = 5, closed.w = 900;
  ini.Update("Ventana_Seguimiento_Notas", closed);
  std::string text = readText(ini.FileName);
  EXPECT_NE(text.find("Maximize=Yes"), std::string::npos);
  EXPECT_EQ(text.find("XPos"), std::string::npos);
  EXPECT_EQ(text.find("Width"), std::string::npos);

  FakeWindow opened;
  opened.px = 1, opened.w = 222;
  ini.Fetch("Ventana_Seguimiento_Notas", opened);
  EXPECT_TRUE(opened.max);
  EXPECT_EQ(opened.px, kNotRecorded);
  EXPECT_EQ(opened.w, 222);  // size kept when not recorded
}

TEST_F(IniTest, FixedSizeWindowStoresPositionOnlyAndBadMaximizeRestoresNothing) {
  FakeWindow fixed;
  fixed.canResize = false, fixed.px = 7, fixed.py = 8, fixed.w = 100, fixed.h = 50;
  ini.Update("Main", fixed);
  std::string text = readText(ini.FileName);
  EXPECT_NE(text.find("XPos=7"), std::string::npos);
  EXPECT_EQ(text.find("Width"), std::string::npos);

  ini.Update("Broken", "Maximize", "Perhaps");
  ini.Update("Broken", "XPos", "99");
  fw::WindowInfo info;
  ini.FetchWindowInfo("Broken", info);
  EXPECT_EQ(info.Got, 0);
  FakeWindow untouched;
  untouched.px = 3;
  ini.Fetch("Broken", untouched);
  EXPECT_EQ(untouched.px, 3);
}

TEST_F(IniTest, StrictFetchAssertsAndOtherFormsFallBack) {
  EXPECT_EQ(ini.TryFetch("S", "missing"), "");
  std::string keep = "kept";
  ini.Fetch("S", "missing", keep);
  EXPECT_EQ(keep, "kept");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ini.Fetch("S", "missing"), "---Unknown---");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("INI Assert: Could not find missing in sector S of " + ini.FileName),
            std::string::npos);

  ini.Update("S", "list", "a,b,,d");
  EXPECT_EQ(ini.FetchField("S", "list", 1), "a");
  EXPECT_EQ(ini.FetchField("S", "list", 3), "");
  EXPECT_EQ(ini.FetchField("S", "list", 4), "d");
  EXPECT_EQ(ini.FetchField("S", "list", 5), "");
  EXPECT_EQ(messages.shown.size(), 2u);  // a missing comma is a programming error
}

TEST_F(IniTest, QueuesRoundTripAndShorterListsLeaveOldEntriesUnread) {
  fw::QueueEntries three{{"a", "1"}, {"b", "2"}, {"c", "3"}};
  ini.UpdateQueue("Q", "item", three, 2);
  fw::QueueEntries back;
  ini.FetchQueue("Q", "item", back, 2);
  EXPECT_EQ(back, three);

  ini.UpdateQueue("Q", "item", {}, 2);
  EXPECT_EQ(ini.TryFetch("Q", "item"), "0");
  EXPECT_EQ(ini.TryFetch("Q", "item_3"), "c,3");  // left in the file
  back.clear();
  ini.FetchQueue("Q", "item", back, 2);
  EXPECT_TRUE(back.empty());
}

TEST_F(IniTest, SectorsEscapeDollarsAndPersistAcrossRuns) {
  std::string sector = ini.GetSector("Fam", "it$em", "T");
  EXPECT_EQ(sector, "Fam$it$$$em$$T");
  std::string f, i, t;
  ini.GetFamily(sector, f, i, t);
  EXPECT_EQ(f, "Fam");
  EXPECT_EQ(i, "it$$$em");
  EXPECT_EQ(t, "T");
  ini.GetFamily(ini.GetSector("F", "ends$", "X"), f, i, t);
  EXPECT_EQ(INIClass::RemoveDollar(i), "ends$");
  EXPECT_EQ(t, "X");

  ini.AddSector(sector);
  ini.AddSector(sector);
  ini.AddSector(ini.GetSector("Fam", "other", "T"));
  ini.AddSector(ini.GetSector("Zed", "x", "T"));
  std::vector<fw::SectorEntry> list;
  ini.GetSectors("Fam", "", "", list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Item, "it$em");
  ini.GetSectors("", "it$em", "", list);
  ASSERT_EQ(list.size(), 1u);

  ini.Kill();
  INIClass next;
  next.Init(ini.FileName);
  next.GetSectors("", "", "", list);
  EXPECT_EQ(list.size(), 3u);

  EXPECT_TRUE(messages.shown.empty());
  ini.GetFamily("$item$$T", f, i, t);  // no family
  ini.GetFamily("Fam$$$T", f, i, t);   // no item
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(IniTest, LockIsReentrantAndExcludesOtherThreads) {
  // Entering again while held: in a child process, so that a lock that is
  // not re-entrant fails here by the time-out instead of hanging the run.
  {
    ChildProcess child([&](ChildProcess& c) {
      fw::CriticalProcedure held(ini.CritSect.GetIface());
      ini.Update("S", "n", "v");
      c.Signal();
      return ini.TryFetch("S", "n") == "v" ? 0 : 1;
    });
    ASSERT_TRUE(child.started());
    // Without re-entry the rest would hang too: stop here.
    ASSERT_TRUE(child.Await(5000)) << "an operation under the held lock never returned";
    EXPECT_EQ(child.Join(), 0);
  }
  // Another thread waits for the whole time the lock is held.
  std::atomic<bool> done{false};
  fw::CriticalProcedure held(ini.CritSect.GetIface());
  std::thread other([&] {
    ini.Update("S", "other", "w");
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done) << "another thread got in while the lock was held";
  held.Kill();
  other.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(ini.TryFetch("S", "other"), "w");
}

TEST(IniKinds, RegistryKindKeepsValuesInItsOwnFileAndTableKindAsserts) {
  fwtest::TempDir dir;
  fwtest::ScriptedPresenter messages;
  setenv("QV_REGISTRY_FILE", dir.file("reg/registry.ini").c_str(), 1);
  INIClass reg;
  reg.Init("Software\\QV", 1, 0);
  reg.Update("Win", "Width", "77");
  EXPECT_EQ(reg.TryFetch("Win", "Width"), "77");
  reg.Update("Win", "Width", "");  // an empty value removes it
  EXPECT_EQ(reg.Fetch("Win", "Width", "dflt", reg.FileName), "dflt");
  EXPECT_NE(readText(dir.file("reg/registry.ini")).find("[80000000\\Software\\QV\\Win]"), std::string::npos);
  unsetenv("QV_REGISTRY_FILE");
  EXPECT_TRUE(messages.shown.empty());

  INIClass table;
  table.Init("x", 2, 0);  // Init itself reads the sector list: one assertion
  messages.shown.clear();
  EXPECT_EQ(table.TryFetch("S", "n"), "");
  table.Update("S", "n", "v");
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[0].text.find("NV_Table: Not Supported Yet"), std::string::npos);
}

}  // namespace
