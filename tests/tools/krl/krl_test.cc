#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "grade_file.h"
#include "krl_runner.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace krltest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class KrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = TempPath("grades.krl");
    bytes = BuildGradeFile(4);  // small pages: a tree with index levels
    WriteFile(path, bytes);
  }
  void TearDown() override {
    for (const char* name : {"grades.krl", "empty.krl", "foreign.krl"}) std::remove(TempPath(name).c_str());
  }
  std::string path;
  std::string bytes;
};

TEST_F(KrlTest, DumpWritesOneJsonObjectPerRecord) {
  Result r = RunKrl("dump " + path + " qvlibreta");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = r.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "{\"table\":\"QVLIBRETA\",\"id\":3,\"fields\":{\"QVL:NRO_REGISTRO\":1,"
            "\"QVL:ALUMNO\":\"P\xC3\x89REZ, Ana\",\"QVL:ETAPA1\":\"7.50\",\"QVL:FECHA\":\"2023-12-25\","
            "\"QVL:CANTIDAD\":-3},\"memos\":{\"QVL:OBS\":\"abc\"}}");
  EXPECT_THAT(lines[1], HasSubstr("\"id\":4,"));
  EXPECT_THAT(lines[1], HasSubstr("\"QVL:ETAPA1\":\"12.00\",\"QVL:FECHA\":null"));
  EXPECT_THAT(lines[1], HasSubstr("\"memos\":{\"QVL:OBS\":\"\"}"));
  EXPECT_THAT(lines[2], HasSubstr("\"QVL:ETAPA1\":\"-12.00\""));
  EXPECT_THAT(lines[2], HasSubstr("\"QVL:OBS\":\"line \\\"one\\\"\\nline two\""));
}

TEST_F(KrlTest, DumpWithoutTableCoversEveryTable) {
  Result r = RunKrl("dump " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.lines().size(), 3u + 40u);
  EXPECT_THAT(r.lines().back(), HasSubstr("{\"table\":\"QVALUAP\",\"id\":45,\"fields\":{\"QVA:LEGAJO\":1039}"));

  Result missing = RunKrl("dump " + path + " NOSUCH");
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("NOSUCH"));
}

TEST_F(KrlTest, KeysListEntriesInKeyOrderWithDecodedValues) {
  struct Case { const char* key; std::vector<std::string> lines; };
  const Case cases[] = {
      {"QVL:CLAVE_PRIMARIA", {"{\"id\":3,\"key\":[1]}", "{\"id\":4,\"key\":[2]}", "{\"id\":5,\"key\":[3]}"}},
      // Case-insensitive: folded to lower case, so "garcia" before "p\xe9rez".
      {"qvl:clave_alfa", {"{\"id\":5,\"key\":[\"garcia, eva\"]}", "{\"id\":4,\"key\":[\"garcia, luis\"]}",
                          "{\"id\":3,\"key\":[\"p\xC3\xA9rez, ana\"]}"}},
      // Descending grade first, then ascending number.
      {"REND", {"{\"id\":4,\"key\":[\"12.00\",2]}", "{\"id\":3,\"key\":[\"7.50\",1]}",
                "{\"id\":5,\"key\":[\"-12.00\",3]}"}},
  };
  for (const Case& c : cases) {
    Result r = RunKrl("keys " + path + " QVLIBRETA " + c.key);
    ASSERT_EQ(r.status, 0) << c.key << ": " << r.err;
    EXPECT_EQ(r.lines(), c.lines) << c.key;
  }
  EXPECT_EQ(RunKrl("keys " + path + " QVLIBRETA QVL:NOKEY").status, 1);
}

TEST_F(KrlTest, InfoShowsHeaderAndTables) {
  Result r = RunKrl("info " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  kestrel::Header h;
  ASSERT_TRUE(kestrel::Header::Decode(bytes, &h).ok());
  EXPECT_THAT(r.out, HasSubstr("signature: kRtL\n"));
  EXPECT_THAT(r.out, HasSubstr("last record id: 45\n"));
  EXPECT_THAT(r.out, HasSubstr("root page: " + std::to_string(h.root) + "\n"));
  EXPECT_THAT(r.out, HasSubstr("end of data: " + std::to_string(bytes.size()) + "\n"));
  EXPECT_THAT(r.out, HasSubstr("journal start: " + std::to_string(bytes.size()) + "\n"));
  EXPECT_THAT(r.out, HasSubstr("tables: 2\n"));
  EXPECT_THAT(r.out, HasSubstr("table QVLIBRETA\n  number: 1\n  records: 3\n"));
  EXPECT_THAT(r.out, HasSubstr("table QVALUAP\n  number: 2\n  records: 40\n"));
  EXPECT_THAT(r.out, HasSubstr("    QVL:ETAPA1 DECIMAL offset 34 size 4 places 2\n"));
  EXPECT_THAT(r.out, HasSubstr("    QVL:CLAVE_RENDIMIENTO (-QVL:ETAPA1, QVL:NRO_REGISTRO) dup\n"));
  EXPECT_THAT(r.out, HasSubstr("  memos: 1\n    QVL:OBS MEMO size 1000\n"));
  EXPECT_THAT(r.out, Not(HasSubstr("pending")));
}

TEST_F(KrlTest, PagesListsEveryPageOfTheTree) {
  Result r = RunKrl("pages " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  kestrel::ImageReader reader;
  ASSERT_TRUE(reader.Open(bytes).ok());
  std::vector<std::string> expected = {"ref units level records stored plain compressed"};
  ASSERT_TRUE(reader.VisitPages([&](const kestrel::ImageReader::PageInfo& p, const kestrel::Page& page) {
    expected.push_back(std::to_string(p.ref) + " " + std::to_string(p.units) + " " +
                       std::to_string(page.level) + " " + std::to_string(page.records.size()) + " " +
                       std::to_string(p.header.stored_size) + " " + std::to_string(p.header.plain_size) +
                       (p.header.compressed() ? " yes" : " no"));
  }).ok());
  EXPECT_EQ(r.lines(), expected);
  EXPECT_GT(expected.size(), 10u);
  EXPECT_THAT(r.lines()[1], HasSubstr(" 2 ")) << "the root is two levels above the leaves";
}

TEST_F(KrlTest, EmptyAndPendingFilesAreShownAsTheyStand) {
  const std::string empty = TempPath("empty.krl");
  WriteFile(empty, "");
  Result r = RunKrl("info " + empty);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("root page: none\n"));
  EXPECT_THAT(r.out, HasSubstr("tables: 0\n"));
  EXPECT_EQ(RunKrl("dump " + empty).out, "");

  // A change counter of 0 marks a file that never committed: it has no pages yet.
  std::string never_committed = bytes;
  kestrel::Put32LE(never_committed.data() + 0x18, 0);
  WriteFile(empty, never_committed);
  r = RunKrl("info " + empty);
  EXPECT_THAT(r.out, HasSubstr("root page: none\n"));
  EXPECT_THAT(r.out, HasSubstr("tables: 0\n"));

  std::string pending = bytes;
  kestrel::Put32LE(pending.data() + 0x0A, static_cast<uint32_t>(bytes.size() + 512));
  WriteFile(path, pending);
  r = RunKrl("info " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("journal: pending"));
  EXPECT_EQ(RunKrl("dump " + path + " QVLIBRETA").lines().size(), 3u);
}

TEST_F(KrlTest, ForeignFileExitsWithInvalidDataFile) {
  const std::string foreign = TempPath("foreign.krl");
  for (const std::string& content : {std::string("hello"), std::string(600, 'x')}) {
    WriteFile(foreign, content);
    for (const char* cmd : {"info ", "pages ", "dump ", "keys "}) {
      Result r = RunKrl(cmd + foreign + (std::string(cmd) == "keys " ? " T K" : ""));
      EXPECT_EQ(r.status, 2) << cmd;
      EXPECT_EQ(r.err, foreign + ": Invalid Data File\n") << cmd;
    }
  }
  EXPECT_EQ(RunKrl("info " + TempPath("does-not-exist.krl")).status, 1);
}

TEST_F(KrlTest, DamagedFileExitsWithCheckNumber) {
  // Cut the last page off: its image can no longer be read.
  WriteFile(path, bytes.substr(0, bytes.size() - 256));
  Result r = RunKrl("dump " + path);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "Possible data corruption in file " + path + " (" +
                       std::to_string(static_cast<int>(kestrel::Check::kShortPageRead)) + ")\n");

  // Point the root outside every size area.
  std::string bad_root = bytes;
  kestrel::Put32LE(bad_root.data() + 0x1C, 100000);
  WriteFile(path, bad_root);
  r = RunKrl("pages " + path);
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("(" + std::to_string(static_cast<int>(kestrel::Check::kPageOutsideAreas)) + ")"));
}

TEST_F(KrlTest, NewerDefinitionVersionIsNamedNotDumped) {
  kestrel::ImageWriter w;
  BuildGradeFile(0, &w);
  w.Replace(kestrel::Record(kestrel::DefinitionKey(1, 0), std::string("\x03\x00", 2)));
  std::string file;
  ASSERT_TRUE(w.Build(&file).ok());
  WriteFile(path, file);
  Result info = RunKrl("info " + path);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("definition: You are attempting to open a newer Kestrel file format"));
  Result dump = RunKrl("dump " + path + " QVLIBRETA");
  EXPECT_EQ(dump.status, 1);
  EXPECT_THAT(dump.err, HasSubstr("newer Kestrel file format"));
  EXPECT_EQ(RunKrl("dump " + path + " QVALUAP").status, 0);
}

// The command line answers as every program of the suite does: help and
// version on standard output with 0, refused arguments on standard error
// with 2, before any file is touched.
TEST_F(KrlTest, CommandLineAnswersLikeTheOtherPrograms) {
  struct Case {
    std::string args;
    int status;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {"--help", 0, "Usage: krl [OPTIONS] SUBCOMMAND", ""},
      {"-h", 0, "dump", ""},
      {"keys --help", 0, "Usage: krl keys [OPTIONS] FILE TABLE KEYLABEL", ""},
      {"--version", 0, "krl 1.", ""},
      {"", 2, "", "krl: a command is required\nRun 'krl --help' for more information.\n"},
      {"frobnicate x", 2, "", "krl: unknown command frobnicate\n"},
      {"dump", 2, "", "krl dump: FILE is required\nRun 'krl dump --help'"},
      {"keys " + path + " QVLIBRETA", 2, "", "krl keys: KEYLABEL is required"},
      {"info " + path + " extra", 2, "", "krl info: unexpected argument extra"},
      {"info --bogus " + path, 2, "", "krl info: unknown option --bogus"},
  };
  for (const Case& c : cases) {
    Result r = RunKrl(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_THAT(r.out, HasSubstr(c.out)) << c.args;
    EXPECT_THAT(r.err, HasSubstr(c.err)) << c.args;
    if (c.status == 0) {
      EXPECT_EQ(r.err, "") << c.args;
    }
  }
  // An optional argument left out is not passed on as an empty one.
  EXPECT_EQ(RunKrl("dump " + path).status, 0);
}

TEST_F(KrlTest, RandomDamageNeverCrashes) {
  std::mt19937 rng(99);
  for (int round = 0; round < 60; ++round) {
    std::string bad = bytes;
    for (int e = 0; e < 6; ++e) bad[512 + rng() % (bad.size() - 512)] = static_cast<char>(rng());
    WriteFile(path, bad);
    for (const char* cmd : {"dump ", "pages "}) {
      Result r = RunKrl(cmd + path);
      EXPECT_TRUE(r.status == 0 || r.status == 3) << cmd << " round " << round << " status " << r.status
                                                  << " " << r.err;
    }
  }
}

}  // namespace
}  // namespace krltest
