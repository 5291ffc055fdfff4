// Names, open and create, definitions, commands, copy, rename, remove, empty.
#include <filesystem>
#include <fstream>

#include "driver_fixture.h"
#include "runtime/kestrel/os/fault_injection.h"
#include "runtime/core/error_state.h"
#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/driver/send_command.h"
#include "runtime/kestrel/driver/table_name.h"

namespace kestrel::testing {
namespace {

TEST(TableNameTest, SplitsDefaultsAndRejects) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  const struct {
    std::string full;
    std::string physical;
    std::string table;
    int error;
  } cases[] = {
      {"grades", "grades.KRL", "UNNAMED", 0},
      {"grades.dat\\!Students", "grades.dat", "STUDENTS", 0},
      {"a/b.krl\\!x\\!y", "a/b.krl", "X\\!Y", 0},
      {dir.File("sub") + "\\!f", dir.File("sub") + "\\!f.KRL", "UNNAMED", 0},  // "\!" after a directory
      {"  ", "", "", 45},
      {"x\\!", "", "", 45},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.full);
    TableName n;
    ASSERT_EQ(SplitTableName(c.full, &n), c.error);
    if (c.error) continue;
    EXPECT_EQ(n.physical, c.physical);
    EXPECT_EQ(n.table, c.table);
  }
  TableName n;
  ASSERT_EQ(SplitTableName("g\\!t", &n), 0);
  EXPECT_EQ(DisplayName(n), "g.KRL\\!T");
  ASSERT_EQ(SplitTableName("g", &n), 0);
  EXPECT_EQ(DisplayName(n), "g.KRL");
}

TEST(SendCommandTest, ParsesWordsValuesAndDriverStrings) {
  SendCommand c = ParseSendCommand(" decimalcheck = off ");
  EXPECT_EQ(c.word, "DECIMALCHECK");
  EXPECT_TRUE(c.has_value);
  EXPECT_EQ(c.value, "off");
  EXPECT_FALSE(ParseSendCommand("PNM").has_value);
  EXPECT_EQ(DriverStringCommands("/FULLBUILD=ON /TCF=/tmp/x.tcf"),
            (std::vector<std::string>{"FULLBUILD=ON", "TCF=/tmp/x.tcf"}));
}

class TableFilesTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string file = dir.File("school");
};

TEST_F(TableFilesTest, TablesShareOnePhysicalFileAndNamesIgnoreCase) {
  KestrelTable s(StudentDecl(file + "\\!students"));
  KestrelTable u(StudentDecl(file + "\\!unnamed"));
  CreateAndOpen(s);
  CreateAndOpen(u);
  AddStudent(s, 1, "Ana");
  const size_t before = PhysicalFileList::Global().OpenCount();
  KestrelTable upper(StudentDecl(dir.File("SCHOOL.krl") + "\\!STUDENTS"));
  ASSERT_EQ(upper.Open(0x42), 0);
  EXPECT_EQ(PhysicalFileList::Global().OpenCount(), before);
  uint32_t n = 0;
  ASSERT_EQ(upper.Records(&n), 0);
  EXPECT_EQ(n, 1u);
  // Without a separator the table is "UNNAMED".
  KestrelTable plain(StudentDecl(file));
  ASSERT_EQ(plain.Open(0x42), 0);
  ASSERT_EQ(plain.Records(&n), 0);
  EXPECT_EQ(n, 0u);
  std::string names;
  ASSERT_EQ(s.Send("pnmq", &names), 0);
  EXPECT_EQ(names, "STUDENTS,UNNAMED");
  ASSERT_EQ(s.Send("PNM", &names), 0);
  EXPECT_EQ(names, "STUDENTS");
}

TEST_F(TableFilesTest, OpenFailuresAndCreateAttribute) {
  KestrelTable missing(StudentDecl(file + "\\!students"));
  EXPECT_EQ(missing.Open(), rt::Error_FileNotFound);
  EXPECT_EQ(KestrelTable(StudentDecl(dir.File("no/dir/x"))).Open(), rt::Error_PathNotFound);
  EXPECT_EQ(missing.Open(0x01), rt::Error_AccessDenied);  // write-only
  TableDeclaration d = StudentDecl(file + "\\!students");
  d.create = false;
  EXPECT_EQ(KestrelTable(d).Create(), rt::Error_NoCreateAttribute);
  ASSERT_EQ(missing.Create(), 0);
  KestrelTable other(StudentDecl(file + "\\!teachers"));
  EXPECT_EQ(other.Open(), rt::Error_FileNotFound);  // the file exists, the table not
  std::ofstream(dir.File("junk.KRL")) << std::string(600, 'j');
  EXPECT_EQ(KestrelTable(StudentDecl(dir.File("junk"))).Open(), rt::Error_InvalidDataFile);
}

TEST_F(TableFilesTest, DefinitionIsVerifiedOrRead) {
  ASSERT_EQ(KestrelTable(StudentDecl(file)).Create(), 0);
  // Without a layout the stored one is read.
  TableDeclaration bare;
  bare.name = file;
  KestrelTable read(bare);
  ASSERT_EQ(read.Open(), 0);
  EXPECT_EQ(read.def().fields, StudentDef().fields);
  EXPECT_EQ(read.def().keys, StudentDef().keys);
  ASSERT_EQ(read.Close(), 0);

  TableDeclaration places = StudentDecl(file);
  places.layout->fields[3].places = 1;
  KestrelTable differs(places);
  EXPECT_EQ(differs.Open(), rt::Error_InvalidRecordDeclaration);
  EXPECT_EQ(rt::FileError().substr(0, 5), "SIZE ");  // the first decimal byte holds the places
  std::string previous;
  ASSERT_EQ(differs.Send("DecimalCheck=OFF", &previous), 0);
  EXPECT_EQ(previous, "ON");
  EXPECT_EQ(differs.Open(), 0);

  TableDeclaration keys = StudentDecl(file);
  keys.layout->keys[1].attributes &= ~kKeyNoCase;
  EXPECT_EQ(KestrelTable(keys).Open(), rt::Error_InvalidRecordDeclaration);
  EXPECT_EQ(rt::FileError().substr(0, 9), "ATTRIBUTE");
}

TEST_F(TableFilesTest, CopyAndRenameRebaseIds) {
  KestrelTable s(StudentDecl(file + "\\!students"));
  CreateAndOpen(s);
  AddStudent(s, 1, "Ana", "A1", "note a");
  AddStudent(s, 2, "Bob", "B1", "note b");
  std::string flags;
  ASSERT_EQ(s.Send("FLAGS=77", &flags), 0);
  EXPECT_EQ(flags, "0");
  // The target already has ids in use.
  KestrelTable busy(StudentDecl(dir.File("target\\!other")));
  CreateAndOpen(busy);
  for (int i = 0; i < 5; ++i) AddStudent(busy, i, "x");
  ASSERT_EQ(busy.Close(), 0);

  ASSERT_EQ(s.Copy(dir.File("target")), 0);
  KestrelTable copy(StudentDecl(dir.File("target\\!students")));
  ASSERT_EQ(copy.Open(0x42), 0);
  ASSERT_EQ(copy.SetKey(kKeyName), 0);
  ASSERT_EQ(copy.Next(), 0);
  EXPECT_EQ(RowName(copy), "Ana");
  EXPECT_GT(copy.currentId(), 6u);  // above the target's ids and table numbers
  EXPECT_EQ(copy.memos()[0], "note a");
  SetRow(copy, 0, "", "B1");
  ASSERT_EQ(copy.GetByKey(kKeyCode), 0);
  EXPECT_EQ(copy.memos()[0], "note b");
  ASSERT_EQ(copy.Send("FLAGS", &flags), 0);
  EXPECT_EQ(flags, "77");  // the free marker is the program's value, not an id
  AddStudent(copy, 3, "Cy");  // new ids do not collide with the copied ones
  ASSERT_EQ(copy.Close(), 0);

  EXPECT_EQ(s.Rename(dir.File("target")), rt::Error_AccessDenied);  // the table exists there
  ASSERT_EQ(s.Rename(dir.File("moved\\!pupils")), 0);
  EXPECT_FALSE(s.isOpen());
  EXPECT_EQ(KestrelTable(StudentDecl(file + "\\!students")).Open(), rt::Error_FileNotFound);
  KestrelTable moved(StudentDecl(dir.File("moved\\!pupils")));
  ASSERT_EQ(moved.Open(), 0);
  uint32_t n = 0;
  ASSERT_EQ(moved.RecordsKey(kKeyCode, &n), 0);
  EXPECT_EQ(n, 2u);
}

TEST_F(TableFilesTest, RemoveDeletesTheFileWithItsLastTable) {
  KestrelTable s(StudentDecl(file + "\\!students"));
  KestrelTable t(StudentDecl(file + "\\!teachers"));
  ASSERT_EQ(s.Create(), 0);
  ASSERT_EQ(t.Create(), 0);
  ASSERT_EQ(s.Remove(), 0);
  EXPECT_TRUE(std::filesystem::exists(file + ".KRL"));
  EXPECT_EQ(s.Open(), rt::Error_FileNotFound);
  ASSERT_EQ(t.Open(), 0);
  ASSERT_EQ(t.Remove(), 0);
  EXPECT_FALSE(std::filesystem::exists(file + ".KRL"));
}

TEST_F(TableFilesTest, EmptyKeepsTheTableAndItsLocale) {
  TableDeclaration d = StudentDecl(file);
  d.oem = true;
  KestrelTable t(d);
  CreateAndOpen(t);
  AddStudent(t, 1, "Mu\xF1oz", "N1", "memo");
  ASSERT_EQ(t.Empty(), 0);
  uint32_t n = 1;
  ASSERT_EQ(t.Records(&n), 0);
  EXPECT_EQ(n, 0u);
  ASSERT_EQ(t.RecordsKey(kKeyCode, &n), 0);
  EXPECT_EQ(n, 0u);
  AddStudent(t, 1, "Mu\xF1oz", "N1");
  ASSERT_EQ(t.Close(), 0);
  ASSERT_EQ(t.Open(), 0);
  SetRow(t, 0, "", "N1");
  ASSERT_EQ(t.GetByKey(kKeyCode), 0);
  EXPECT_EQ(RowName(t), "Mu\xF1oz");  // still read through the OEM table
}

TEST_F(TableFilesTest, OemTablesStoreTextInTheOemCharacterSet) {
  TableDeclaration d = StudentDecl(file);
  d.oem = true;
  KestrelTable t(d);
  CreateAndOpen(t);
  AddStudent(t, 1, "Mu\xF1oz");
  ASSERT_EQ(t.Close(), 0);
  // Read without the OEM flag of the declaration: the stored flag decides.
  KestrelTable again(StudentDecl(file));
  ASSERT_EQ(again.Open(), 0);
  ASSERT_EQ(again.SetFile(), 0);
  ASSERT_EQ(again.Next(), 0);
  EXPECT_EQ(RowName(again), "Mu\xF1oz");
  // On disk the n with tilde is 0xA4 of the OEM page.
  std::ifstream in(file + ".KRL", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(bytes.find("Mu\xA4oz"), std::string::npos);
  EXPECT_EQ(bytes.find("Mu\xF1oz"), std::string::npos);
}

// A file created for a rename must survive a power loss that comes after
// the source gave its records up: the worst case loses every write and
// every directory entry that was not flushed.
TEST_F(TableFilesTest, RenamedRecordsSurviveAPowerLoss) {
  KestrelTable s(StudentDecl(file + "\\!students"));
  CreateAndOpen(s);
  AddStudent(s, 1, "Ana", "A1", "note");
  AddStudent(s, 2, "Bob", "B1");
  ASSERT_EQ(s.Close(), 0);
  fault::Arm({.power_loss = true});
  ASSERT_EQ(s.Rename(dir.File("moved.krl")), 0);
  fault::PowerLoss(1, fault::Fate::kDropAll);
  ASSERT_TRUE(std::filesystem::exists(dir.File("moved.krl")));
  KestrelTable moved(StudentDecl(dir.File("moved.krl\\!students")));
  ASSERT_EQ(moved.Share(), 0);
  uint32_t n = 0;
  ASSERT_EQ(moved.Records(&n), 0);
  EXPECT_EQ(n, 2u);
  SetRow(moved, 1, "");
  ASSERT_EQ(moved.GetByKey(kKeyId), 0);
  EXPECT_EQ(moved.memos()[0], "note");
}

}  // namespace
}  // namespace kestrel::testing
