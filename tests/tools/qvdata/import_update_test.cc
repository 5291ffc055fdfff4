// Importing into a school that already has records: rows matched by their
// identity, --update, references between files, and CSV files as office
// spreadsheets save them (';' with decimal commas, Windows-1252, dates).
#include <gmock/gmock.h>

#include "qvdata_fixture.h"

namespace qvdata {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;
using testing::Snapshot;

constexpr char kStudents[] =
    "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
    "1,\"Paz, Ana\",40111222,FEMENINO,ana@x.ar,101\n"
    "2,\"Paz, Luis\",40111333,MASCULINO,,101\n";
constexpr char kSubjects[] =
    "NRO_REGISTRO,NRO_ORDEN,MATERIA,COD_CURSO,HORAS,QVP_FECHANAC\n"
    "10,1,MATEMATICA,101,4.5,15/03/1970\n"
    "11,2,HISTORIA,101,3,01/12/1965\n";

class ImportUpdateTest : public ::testing::Test {
 protected:
  // Runs import with each (option, CSV text) pair written to a file first.
  Result Import(std::vector<std::pair<std::string, std::string>> inputs, Args extra = {}) {
    Args args = {"import", dir_};
    for (auto& [option, text] : inputs) {
      args.push_back(option);
      args.push_back(csv_.Write(option.substr(2) + ".csv", text));
    }
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(args);
  }
  std::string Export(const std::string& table, Args extra = {}) {
    Args args = {"export", dir_, table};
    args.insert(args.end(), extra.begin(), extra.end());
    Result r = RunTool(args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    return r.out;
  }
  void MakeSchool() {
    Result r = Import({{"--students", kStudents}, {"--subjects", kSubjects}});
    ASSERT_EQ(r.status, kExitOk) << r.err;
  }

  ScratchDir csv_, data_;
  std::string dir_ = data_ / "school";
};

TEST_F(ImportUpdateTest, RowsAlreadyFiledAreRefusedUnlessUpdated) {
  MakeSchool();
  const auto before = Snapshot(dir_);
  // The same export imported again would duplicate every subject.
  const std::string subjects = Export("subjects");
  Result r = Import({{"--subjects", subjects}});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr("subjects.csv:2:1: NRO_REGISTRO 10 (MATEMATICA) is already in " + dir_ +
                               "/QVMaterias.KRL; --update replaces its fields\n"));
  EXPECT_THAT(r.err, HasSubstr("subjects.csv:3:1: NRO_REGISTRO 11 (HISTORIA) is already in"));
  EXPECT_EQ(Snapshot(dir_), before);

  // --update writes the named columns over the filed row and keeps the rest;
  // a new identity in the same file is added.
  r = Import({{"--students", "E_MAIL,LEGAJO\nluis@x.ar,2\n,3\n"}}, {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 1 students (1 updated) into " + dir_ + "\n");
  const std::string students = Export("students");
  EXPECT_THAT(students, HasSubstr("\n2,\"Paz, Luis\",40111333,MASCULINO,luis@x.ar,101\n"));
  EXPECT_THAT(students, HasSubstr("\n1,\"Paz, Ana\",40111222,FEMENINO,ana@x.ar,101\n"));
  EXPECT_THAT(students, HasSubstr("\n3,,0,,,0\n"));
  EXPECT_EQ(std::count(students.begin(), students.end(), '\n'), 4);

  // Updating with the whole export changes nothing and adds nothing.
  r = Import({{"--subjects", subjects}}, {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Export("subjects"), subjects);
}

TEST_F(ImportUpdateTest, IdentitiesMustBeGivenOnceAndKeptUnique) {
  MakeSchool();
  const auto before = Snapshot(dir_);
  struct Case {
    const char* option;
    std::string csv;
    const char* message;
  };
  const Case cases[] = {
      // Twice in one file: refused even with --update, which could not tell which wins.
      {"--students", "LEGAJO,APELLIDO_NOMBRE\n5,A\n5,B\n", ":3:1: LEGAJO 5 repeats line 2"},
      {"--gradebook", "COD_MATERIA,NRO_LEGAJO,NRO_REGISTRO\n10,1,1\n10,1,2\n",
       ":3:1: COD_MATERIA 10, NRO_LEGAJO 1 repeats line 2"},
      {"--contents", "COD_MATERIA,CONTENIDO_PRIORIZADO\n10,Fracciones\n10,Fracciones\n",
       ":3:1: COD_MATERIA 10, CONTENIDO_PRIORIZADO \"Fracciones\" repeats line 2"},
      {"--students", "LEGAJO,APELLIDO_NOMBRE\n0,Nadie\n", ":2:1: no LEGAJO 0: a student needs one"},
      {"--students", "APELLIDO_NOMBRE\nNadie\n", ":1: no column LEGAJO: every student is known by it"},
      // An update that takes another filed student's unique DNI is refused by the write.
      {"--students", "LEGAJO,DNI\n2,40111222\n", ":2: refused: " },
  };
  for (const Case& c : cases) {
    Result r = Import({{c.option, c.csv}}, {"--update"});
    EXPECT_EQ(r.status, kExitFailed) << c.csv;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.csv;
    EXPECT_EQ(Snapshot(dir_), before) << c.csv;
  }
}

TEST_F(ImportUpdateTest, RowsMustReferToWhatExists) {
  // Students alone, into a school that has subjects: a mid-year enrolment.
  MakeSchool();
  Result r = Import({{"--students", "LEGAJO,APELLIDO_NOMBRE,COD_CURSO\n7,\"Sosa, Ema\",101\n"}});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 1 students into " + dir_ + "\n");

  const auto before = Snapshot(dir_);
  r = Import({{"--students", "LEGAJO,COD_CURSO\n8,999\n"},
              {"--gradebook", "NRO_REGISTRO,COD_MATERIA,NRO_LEGAJO\n1,10,1\n2,77,1\n3,10,55\n"},
              {"--contents", "COD_MATERIA,CONTENIDO_PRIORIZADO\n78,Suma\n"}});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr("students.csv:2:2: COD_CURSO: no course (of any subject) 999 in the folder or in this import"));
  EXPECT_THAT(r.err, HasSubstr("gradebook.csv:3:2: COD_MATERIA: no subject 77 in the folder or in this import"));
  EXPECT_THAT(r.err, HasSubstr("gradebook.csv:4:3: NRO_LEGAJO: no student 55 in the folder or in this import"));
  EXPECT_THAT(r.err, HasSubstr("contents.csv:2:1: COD_MATERIA: no subject 78"));
  EXPECT_THAT(r.err, HasSubstr("4 problems; nothing imported"));
  EXPECT_EQ(Snapshot(dir_), before);

  // What the same import brings counts.
  r = Import({{"--subjects", "NRO_REGISTRO,COD_CURSO\n12,300\n"},
              {"--students", "LEGAJO,COD_CURSO\n9,300\n"},
              {"--gradebook", "NRO_REGISTRO,COD_MATERIA,NRO_LEGAJO\n1,12,9\n"}});
  EXPECT_EQ(r.status, kExitOk) << r.err;
}

TEST_F(ImportUpdateTest, RefusedImportIntoAnEmptyFolderLeavesNothing) {
  std::filesystem::create_directories(dir_);
  Result r = Import({{"--subjects", kSubjects}, {"--students", "LEGAJO,COD_CURSO\n1,999\n"}});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(ImportUpdateTest, OfficeSpreadsheetFiles) {
  MakeSchool();
  // Exported for a spreadsheet in a Spanish-speaking locale, and read back.
  const std::string filed = Export("subjects");
  const std::string semicolon = Export("subjects", {"--separator", ";"});
  EXPECT_THAT(semicolon, HasSubstr("NRO_REGISTRO;NRO_ORDEN;MATERIA;"));
  EXPECT_THAT(semicolon, HasSubstr(";4,50;"));
  Result r = Import({{"--subjects", semicolon}}, {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Export("subjects"), filed);
  r = Import({{"--subjects", "NRO_REGISTRO;HORAS\n10;5,25\n11;2.5\n"}}, {"--update"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr(":3:2: HORAS: not a number: \"2.5\" (decimals take a comma in a file separated by ';')"));
  r = Import({{"--subjects", "\xEF\xBB\xBFNRO_REGISTRO;HORAS\r\n10;5,25\r\n"}}, {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(Export("subjects"), HasSubstr("\n10,1,MATEMATICA,,,,0,,101,,5.25,"));

  // Windows-1252 bytes: refused as UTF-8 with the way out, read with it.
  const std::string cp1252 = "LEGAJO\tAPELLIDO_NOMBRE\n20\tN\xFA\xF1" "ez\n";
  r = Import({{"--students", cp1252}});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr(":2: not valid UTF-8 at byte 28; for a file saved as Windows-1252 give --encoding windows-1252"));
  r = Import({{"--students", cp1252}}, {"--encoding", "windows-1252"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(Export("students"), HasSubstr("\n20,N\xC3\xBA\xC3\xB1" "ez,"));
}

TEST_F(ImportUpdateTest, DatesThatWentThroughASpreadsheet) {
  MakeSchool();
  // Month first and two-digit years are refused, with one note on what to do.
  Result r = Import({{"--subjects", "NRO_REGISTRO,QVP_FECHANAC\n10,02/25/87\n11,11/08/81\n"}}, {"--update"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr(":2:2: QVP_FECHANAC: invalid date \"02/25/87\" (DD/MM/YYYY or YYYY-MM-DD)"));
  EXPECT_THAT(r.err, HasSubstr(":3:2: QVP_FECHANAC: invalid date \"11/08/81\""));
  EXPECT_EQ(r.err.find("note:"), r.err.rfind("note:"));
  EXPECT_THAT(r.err, HasSubstr("Format the date columns as text, or as DD/MM/YYYY"));
  // An impossible date alone gets no such note.
  r = Import({{"--subjects", "NRO_REGISTRO,QVP_FECHANAC\n10,31/04/1987\n"}}, {"--update"});
  EXPECT_THAT(r.err, Not(HasSubstr("note:")));

  // ISO dates go out and come back.
  const std::string iso = Export("subjects", {"--dates", "iso"});
  EXPECT_THAT(iso, HasSubstr(",1970-03-15,"));
  r = Import({{"--subjects", "NRO_REGISTRO,QVP_FECHANAC\n10,1987-02-25\n"}}, {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(Export("subjects"), HasSubstr(",25/02/1987,"));
}

TEST(QvdataCommandLineTest, HelpAndVersion) {
  for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"import", "--help"}, Args{"--version"}}) {
    Result r = RunTool(args);
    EXPECT_EQ(r.status, kExitOk) << args.back();
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_FALSE(r.out.empty());
  }
  EXPECT_THAT(RunTool({"import", "--help"}).out, HasSubstr("Usage: qvdata import [OPTIONS] DIR"));
  EXPECT_THAT(RunTool({"import", "--help"}).out, HasSubstr("--update"));
  EXPECT_THAT(RunTool({"--version"}).out, ::testing::MatchesRegex("qvdata [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

}  // namespace
}  // namespace qvdata
