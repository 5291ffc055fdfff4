// The commands on small CSV fixtures: import all or nothing, export, enroll, demo.
#include <gmock/gmock.h>

#include "qvdata_fixture.h"

namespace qvdata {
namespace {

using ::testing::HasSubstr;
using testing::ReadFile;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;
using testing::Snapshot;

// Two courses (101, 102), three students, two subjects of course 101 and
// one of 102; one grade-book row already typed; one content.
constexpr char kStudents[] =
    "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
    "1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",40111222,FEMENINO,ana@escuela.edu.ar,101\n"
    "2,\"Paz, Luis\",0,MASCULINO,,101\n"
    "3,\"Ruiz, Eva\",0,FEMENINO,,102\n";
constexpr char kSubjects[] =
    "NRO_REGISTRO,NRO_ORDEN,MATERIA,PROFESOR,COD_CURSO,HORAS,DNI_DOCENTE,QVP_FECHANAC,OBJETIVO\n"
    "10,1,MATEM\xC3\x81TICA,\"Vega, M\xC3\xB3nica\",101,4.5,20333444,15/03/1970,\"Operar con \"\"racionales\"\"\"\n"
    "11,2,HISTORIA,\"Vega, M\xC3\xB3nica\",101,3,20333444,15/03/1970,\n"
    "12,1,HISTORIA,\"Paz, Adriana\",102,3,21444555,01/12/1965,\n";
constexpr char kGradebook[] =
    "NRO_REGISTRO,NRO_LEGAJO,COD_MATERIA,ALUMNO,ETAPA1,ETADO,OBSERVACION1\n"
    "7,1,10,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",8.50,,\"observaci\xC3\xB3n, con coma\"\n";
constexpr char kContents[] =
    "NRO_REGISTRO,COD_MATERIA,MATERIAS,CONTENIDO_PRIORIZADO,APRENDIZAJE_TRABAJO\n"
    "0,10,MATEM\xC3\x81TICA,Fracciones,\"Trabajo pr\xC3\xA1" "ctico\nen dos l\xC3\xADneas\"\n";

struct School {
  ScratchDir csv;
  ScratchDir data;
  std::string dir = data / "school";

  Result Import(const std::string& students, const std::string& subjects, const std::string& gradebook = "",
                const std::string& contents = "") {
    Args args = {"import", dir, "--students", csv.Write("students.csv", students), "--subjects",
                 csv.Write("subjects.csv", subjects)};
    if (!gradebook.empty()) args.insert(args.end(), {"--gradebook", csv.Write("gradebook.csv", gradebook)});
    if (!contents.empty()) args.insert(args.end(), {"--contents", csv.Write("contents.csv", contents)});
    return RunTool(args);
  }
  std::string Export(const std::string& table, const std::string& format = "csv") {
    Result r = RunTool({"export", dir, table, "--format", format});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    return r.out;
  }
};

TEST(ImportTest, ImportsAndExportsTheSameRecords) {
  School s;
  Result r = s.Import(kStudents, kSubjects, kGradebook, kContents);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "imported 3 students, 3 subjects, 1 grade-book rows, 1 contents into " + s.dir + "\n");

  const std::string students = s.Export("students");
  EXPECT_THAT(students, HasSubstr("1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",40111222,FEMENINO,ana@escuela.edu.ar,101\n"));
  const std::string subjects = s.Export("QVMATERIAS");
  EXPECT_THAT(subjects, HasSubstr(",4.50,"));
  EXPECT_THAT(subjects, HasSubstr(",20333444,15/03/1970,\"Operar con \"\"racionales\"\"\"\n"));
  const std::string json = s.Export("contents", "json");
  EXPECT_THAT(json, HasSubstr("\"NRO_REGISTRO\": 0, \"COD_MATERIA\": 10"));
  EXPECT_THAT(json, HasSubstr("\"APRENDIZAJE_TRABAJO\": \"Trabajo pr\xC3\xA1" "ctico\\nen dos l\xC3\xADneas\""));
  EXPECT_THAT(s.Export("subjects", "json"), HasSubstr("\"QVP_FECHANAC\": \"1970-03-15\""));
  EXPECT_THAT(s.Export("QVLIBRETA", "json"), HasSubstr("\"FECHA1\": null"));

  // The exported files import into another school as the same records.
  School copy;
  r = copy.Import(students, subjects, s.Export("gradebook"), s.Export("contents"));
  ASSERT_EQ(r.status, kExitOk) << r.err;
  for (const char* table : {"students", "subjects", "gradebook", "contents"}) {
    EXPECT_EQ(copy.Export(table), s.Export(table)) << table;
  }
}

TEST(ImportTest, EveryBadLineIsReportedAndNothingIsWritten) {
  School s;
  ASSERT_EQ(s.Import(kStudents, kSubjects).status, kExitOk);
  const auto before = Snapshot(s.dir);

  const std::string students =
      "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
      "4,\"Sosa, Juan\",30000001,MASCULINO,,101\n"                     // good
      "5,\"Luna, Mar\xC3\xAD" "a\",30000002,FEMENINO,101\n"             // 5 cells
      "6,\"Gomez, Ines\",30x,FEMENINO,,101\n"                           // not a number
      "7," + std::string(51, 'N') + ",30000003,FEMENINO,,101\n"         // text too long
      "8,\"Ortiz, \xE4\xB8\xAD\",30000004,FEMENINO,,101\n"              // not in Windows-1252
      "9,\"Rojas, Pia\",30000001,FEMENINO,,101\n"                       // DNI repeats line 2
      "10,\"Vera, Sol\",40111222,FEMENINO,,101\n"                       // DNI already filed
      "11,\"Mora, Ada\",0,FEMENINO,,101\n";                             // DNI 0 may repeat
  const std::string subjects =
      "NRO_REGISTRO,MATERIA,COD_CURSO,QVP_FECHANAC\n"
      "20,QU\xC3\x8DMICA,101,31/04/1970\n"                              // invalid date
      "21,F\xC3\x8DSICA,101,30/04/1970\n";
  const std::string contents =
      "NRO_REGISTRO,COD_MATERIA,COLOR\n"                                // unknown column
      "1,20,rojo\n";
  Result r = s.Import(students, subjects, "", contents);
  EXPECT_EQ(r.status, kExitFailed);
  const std::string st = s.csv / "students.csv", su = s.csv / "subjects.csv", co = s.csv / "contents.csv";
  EXPECT_EQ(r.err, st + ":3:6: 5 cells, the header names 6\n" +
                   st + ":4:3: DNI: not a whole number: \"30x\"\n" +
                   st + ":5:2: APELLIDO_NOMBRE: text too long: 51 characters, at most 50\n" +
                   st + ":6:2: APELLIDO_NOMBRE: character U+4E2D cannot be stored in Windows-1252\n" +
                   st + ":7:3: DNI: 30000001 repeats line 2 (QVA:CLAVE_DNI is unique)\n" +
                   st + ":8:3: DNI: 40111222 is already in " + s.dir + "/QVAluAP.KRL (QVA:CLAVE_DNI is unique)\n" +
                   su + ":2:4: QVP_FECHANAC: invalid date \"31/04/1970\" (DD/MM/YYYY or YYYY-MM-DD)\n" +
                   co + ":1: no column CONTENIDO_PRIORIZADO: every content is known by it\n" +
                   co + ":1:3: no field COLOR in QVAPRENDE\n" +
                   "9 problems; nothing imported\n");
  EXPECT_EQ(Snapshot(s.dir), before);

  // Into an empty place nothing is created at all.
  School fresh;
  r = fresh.Import(students, subjects);
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_FALSE(std::filesystem::exists(fresh.dir));
}

TEST(ImportTest, RefusedInputFilesAndArguments) {
  School s;
  struct Case {
    Args args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"import", s.dir, "--students", s.csv / "missing.csv", "--subjects", s.csv.Write("x.csv", "A\n")},
       kExitFailed, "missing.csv:0: cannot read"},
      {{"import", s.dir, "--students", s.csv.Write("e.csv", ""), "--subjects", s.csv / "x.csv"},
       kExitFailed, "e.csv:1: no header row"},
      {{"import", s.dir}, kExitUsage, "qvdata import: give at least one of --students"},
      {{"import", s.dir, "--students"}, kExitUsage, "qvdata import: --students needs a value"},
      {{"import", s.dir, "--teachers", "t.csv"}, kExitUsage, "qvdata import: unknown option --teachers"},
      {{"import", s.dir, "--students", "a.csv", "--encoding", "latin9"}, kExitUsage, "--encoding: latin9 not in"},
      {{"export", s.dir, "QVNADA"}, kExitUsage, "no table QVNADA"},
      {{"export", s.dir, "students", "--format", "xml"}, kExitUsage, "--format: xml not in"},
      {{"export", s.dir, "students", "--separator", "|"}, kExitUsage, "--separator: | not in"},
      {{"export", s.dir, "students"}, kExitFailed, "QVAluAP.KRL: no such file"},
      {{"enroll"}, kExitUsage, "qvdata enroll: DIR is required\nRun 'qvdata enroll --help'"},
      {{"enroll", s.dir}, kExitFailed, "QVMaterias.KRL: no such file"},
      {{"demo", s.dir, "--seed", "x1"}, kExitUsage, "qvdata demo: Could not convert: --seed"},
      {{"demo", s.dir, "--divisions", "27"}, kExitUsage, "--divisions"},
      {{"frobnicate"}, kExitUsage, "qvdata: unknown command frobnicate\nRun 'qvdata --help'"},
      {{}, kExitUsage, "qvdata: a command is required"},
  };
  for (const Case& c : cases) {
    Result r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[0]) << " " << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message));
  }
  EXPECT_FALSE(std::filesystem::exists(s.dir));
}

TEST(EnrollTest, AddsOnlyTheMissingRows) {
  School s;
  ASSERT_EQ(s.Import(kStudents, kSubjects, kGradebook).status, kExitOk);
  // Course 101: two students x two subjects, one row present; course 102: one x one.
  Result r = RunTool({"enroll", s.dir});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "added 4 grade-book rows\n");
  const std::string book = s.Export("gradebook");
  // The typed row is untouched; new rows are numbered after it, subject by
  // subject in course order, and carry the student's and subject's names.
  EXPECT_THAT(book, HasSubstr("\n7,1,0,,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",10,,,8.50,"));
  EXPECT_THAT(book, HasSubstr("\n9,1,2,FEMENINO,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",11,HISTORIA,"));
  EXPECT_THAT(book, HasSubstr(",12,HISTORIA,"));
  EXPECT_THAT(book, ::testing::Not(HasSubstr("\n12,")));  // four added: 8 to 11
  r = RunTool({"enroll", s.dir});
  EXPECT_EQ(r.out, "added 0 grade-book rows\n");
  EXPECT_EQ(s.Export("gradebook"), book);
}

TEST(DemoTest, SampleSchoolIsCompleteAndRepeatable) {
  ScratchDir d;
  Result a = RunTool({"demo", d / "a", "--seed", "7"});
  ASSERT_EQ(a.status, kExitOk) << a.err;
  EXPECT_THAT(a.out, HasSubstr("10 courses"));
  EXPECT_THAT(a.out, HasSubstr("sign in with"));
  ASSERT_EQ(RunTool({"demo", d / "b", "--seed", "7"}).status, kExitOk);
  ASSERT_EQ(RunTool({"demo", d / "c", "--seed", "8"}).status, kExitOk);
  for (const char* table : {"students", "subjects", "gradebook", "contents", "followup"}) {
    const std::string ea = RunTool({"export", d / "a", table}).out;
    EXPECT_EQ(ea, RunTool({"export", d / "b", table}).out) << table;
    if (std::string(table) != "contents") {
      EXPECT_NE(ea, RunTool({"export", d / "c", table}).out) << table;
    }
  }
  // Every student already has a row in every subject of the course.
  EXPECT_EQ(RunTool({"enroll", d / "a"}).out, "added 0 grade-book rows\n");
  // The teachers printed can sign in: their DNI and birth date are in a subject.
  const std::string subjects = RunTool({"export", d / "a", "subjects"}).out;
  const std::string first = a.out.substr(a.out.find("\n  ") + 3);
  const std::string dni = first.substr(0, first.find(' '));
  const std::string born = first.substr(dni.size() + 2, 10);
  EXPECT_THAT(subjects, HasSubstr("," + dni + "," + born + ","));
  // A directory that already holds the files is left alone.
  const auto before = Snapshot(d / "a");
  Result again = RunTool({"demo", d / "a"});
  EXPECT_EQ(again.status, kExitFailed);
  EXPECT_THAT(again.err, HasSubstr("already exists"));
  EXPECT_EQ(Snapshot(d / "a"), before);
}

}  // namespace
}  // namespace qvdata
