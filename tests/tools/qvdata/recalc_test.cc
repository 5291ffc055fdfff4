// Grade-book rows written by qvdata get the grade rule's results: import
// (unless --as-is) and recalc, each row with its history.
#include <gmock/gmock.h>

#include <map>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_book_record.h"
#include "app/gradebook/grade_history.h"
#include "qvdata_fixture.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_sequence.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace qvdata {
namespace {

using ::testing::HasSubstr;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;

struct Row {
  int32_t subject = 0, student = 0;
  std::string ole, final_grade, status;  // as stored
  std::string rule_ole, rule_final, rule_status;  // as the rule's own function gives them
};

// Every grade-book row of the school, by (subject, student).
std::map<std::pair<int32_t, int32_t>, Row> Book(const std::string& dir) {
  kestrel::RegisterKestrelDriver();
  rt::FileControlBlock f(app::QVLIBRETADecl());
  f.name = dir + "/QVLIBRETA.KRL";
  std::map<std::pair<int32_t, int32_t>, Row> rows;
  EXPECT_EQ(rt::Open(f, rt::kAccessRead | rt::kShareDenyNone), 0);
  rt::SetFile(f);
  while (rt::Next(f) == 0) {
    app::GradeBookRecord stored(f.record), rule(f.record);
    app::ApplyGradeRules(rule.Row());
    rows[{stored.subject(), stored.student()}] =
        Row{stored.subject(),           stored.student(),          stored.ole_average().ToString(2),
            stored.final_grade().ToString(2), stored.status(),    rule.ole_average().ToString(2),
            rule.final_grade().ToString(2),   rule.status()};
  }
  rt::Close(f);
  return rows;
}

constexpr char kStudents[] =
    "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
    "1,A,0,F,,101\n2,B,0,F,,101\n3,C,0,F,,101\n4,D,0,F,,101\n5,E,0,F,,101\n"
    "6,F,0,F,,101\n7,G,0,F,,101\n8,H,0,F,,101\n9,I,0,F,,101\n";
constexpr char kSubjects[] = "NRO_REGISTRO,MATERIA,COD_CURSO\n10,MATEMATICA,101\n";

// One row per way the rule decides, each filed with results the rule does
// not give (FINAL 1, ETADO "X").
struct Case {
  int student;
  const char* grades;  // ETAPA1,ETAPA2,ETAPA4,ETAPA9,ETAPA12,DICIEMBRE,MARZO,AC,AM
  const char* status;
  const char* final_grade;
};
constexpr Case kCases[] = {
    {1, "8,7,8,9,0,0,0,,", "APRUEBA", "7.50"},          // the evaluations' average
    {2, "8,5,8,9,0,0,0,,", "RECUPERA", "0.00"},         // an evaluation below 7
    {3, "8,5,8,9,7,0,0,,", "APRUEBA", "7.00"},          // the recovery grade
    {4, "8,5,8,9,6,0,0,,", "DICIEMBRE", "0.00"},        // recovery below 7
    {5, "8,5,8,9,6,8,0,,", "APRUEBA", "8.00"},          // the December examination
    {6, "8,5,8,9,6,0,0,AUSENTE,", "FEBRERO", "0.00"},   // absent in December
    {7, "8,5,8,9,6,5,9,,", "APRUEBA", "9.00"},          // the February/March examination
    {8, "8,5,8,9,6,5,4,,", "ADEUDA", "0.00"},           // failed it
    {9, "0,0,0,0,0,0,0,,", "RECUPERA", "0.00"},         // no grades at all
};

std::string GradeBookCsv() {
  std::string csv = "COD_MATERIA,NRO_LEGAJO,ETAPA1,ETAPA2,ETAPA4,ETAPA9,ETAPA12,DICIEMBRE,MARZO,AC,AM,FINAL,ETADO\n";
  for (const Case& c : kCases) csv += "10," + std::to_string(c.student) + "," + c.grades + ",1,X\n";
  return csv;
}

class RecalcTest : public ::testing::Test {
 protected:
  Result Import(const std::string& gradebook, Args extra = {}) {
    Args args = {"import", dir_, "--gradebook", csv_.Write("l.csv", gradebook)};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(args);
  }
  void SetUp() override {
    ASSERT_EQ(RunTool({"import", dir_, "--students", csv_.Write("a.csv", kStudents), "--subjects",
                       csv_.Write("m.csv", kSubjects)})
                  .status,
              kExitOk);
  }
  ScratchDir csv_, data_;
  std::string dir_ = data_ / "school";
};

TEST_F(RecalcTest, ImportedRowsGetTheRulesResultsUnlessAsIs) {
  Result r = Import(GradeBookCsv());
  ASSERT_EQ(r.status, kExitOk) << r.err;
  auto book = Book(dir_);
  ASSERT_EQ(book.size(), std::size(kCases));
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.student);
    const Row& row = book[{10, c.student}];
    EXPECT_EQ(row.status, c.status);
    EXPECT_EQ(row.final_grade, c.final_grade);
    EXPECT_EQ(row.ole, c.student == 9 ? "0.00" : "8.50");
    EXPECT_EQ(row.status, row.rule_status);
    EXPECT_EQ(row.final_grade, row.rule_final);
    EXPECT_EQ(row.ole, row.rule_ole);
  }
  r = RunTool({"explain", dir_, "--subject", "10"});
  EXPECT_THAT(r.out, HasSubstr("9 rows, 0 differ from the rule\n"));

  // --as-is: the file's results, as a backup holds them; updates too.
  r = Import(GradeBookCsv(), {"--update", "--as-is"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  for (const auto& [key, row] : Book(dir_)) {
    EXPECT_EQ(row.status, "X");
    EXPECT_EQ(row.final_grade, "1.00");
  }
  r = RunTool({"explain", dir_, "--subject", "10"});
  EXPECT_THAT(r.out, HasSubstr("9 rows, 9 differ from the rule\n"));
  // And without it, an update recalculates what it writes.
  r = Import("COD_MATERIA,NRO_LEGAJO,ETAPA2\n10,2,9\n", {"--update"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  book = Book(dir_);
  EXPECT_EQ(book[std::make_pair(10, 2)].status, "APRUEBA");
  EXPECT_EQ(book[std::make_pair(10, 3)].status, "X");

  EXPECT_THAT(RunTool({"import", "--help"}).out, HasSubstr("--as-is"));
}

TEST_F(RecalcTest, RecalcGivesEveryRowTheRuleOnceWithItsHistory) {
  ASSERT_EQ(Import(GradeBookCsv(), {"--as-is"}).status, kExitOk);
  std::filesystem::remove(dir_ + "/QVHISTORIA.KRL");

  Result r = RunTool({"recalc", dir_, "--subject", "10"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "9 grade-book rows read, 9 changed (subject 10)\n");
  auto book = Book(dir_);
  for (const Case& c : kCases) {
    const Row& row = book[{10, c.student}];
    EXPECT_EQ(row.status, c.status) << c.student;
    EXPECT_EQ(row.final_grade, row.rule_final) << c.student;
  }
  // Each changed row's history, signed by the command: FINAL and ETADO
  // changed everywhere, "Prom. OLE" (filed as 0) where there are OLE grades.
  r = RunTool({"history", dir_, "--subject", "10", "--csv"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 3 * 8 + 2);
  EXPECT_THAT(r.out, HasSubstr(",ETADO,X,ADEUDA,0.00,ADEUDA,0,qvdata recalc\n"));

  const std::string history = testing::ReadFile(dir_ + "/QVHISTORIA.KRL");
  r = RunTool({"recalc", dir_});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "9 grade-book rows read, 0 changed\n");
  EXPECT_EQ(testing::ReadFile(dir_ + "/QVHISTORIA.KRL"), history);

  r = RunTool({"recalc", dir_, "--subject", "11"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr("no grade-book row of subject 11"));
}

// A whole demo school, some rows spoilt: recalc, and explain finds no row
// of any subject that differs from the rule; a second recalc changes nothing.
TEST(RecalcDemoTest, AWholeSchoolAgreesWithTheRuleAfterwards) {
  ScratchDir d;
  const std::string dir = d / "demo";
  ASSERT_EQ(RunTool({"demo", dir, "--seed", "3"}).status, kExitOk);
  ASSERT_EQ(RunTool({"import", dir, "--update", "--as-is", "--gradebook",
                     d.Write("spoil.csv", "COD_MATERIA,NRO_LEGAJO,FINAL,ETADO\n1,1001,9,APRUEBA\n3,1001,9,X\n")})
                .status,
            kExitOk);
  auto differing = [&] {
    size_t subjects = 0, differ = 0;
    for (int32_t s = 1;; ++s) {
      Result r = RunTool({"explain", dir, "--subject", std::to_string(s), "--json"});
      if (r.status != kExitOk) break;
      ++subjects;
      for (size_t at = 0; (at = r.out.find("\"differs\":true", at)) != std::string::npos; ++at) ++differ;
    }
    EXPECT_GT(subjects, 50u);
    return differ;
  };
  EXPECT_GE(differing(), 1u);

  Result r = RunTool({"recalc", dir});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr(" grade-book rows read, "));
  EXPECT_EQ(differing(), 0u);
  const auto rows = Book(dir);
  for (const auto& [key, row] : rows) {
    ASSERT_EQ(row.status, row.rule_status) << key.first << "/" << key.second;
    ASSERT_EQ(row.final_grade, row.rule_final) << key.first << "/" << key.second;
  }

  r = RunTool({"recalc", dir});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, std::to_string(rows.size()) + " grade-book rows read, 0 changed\n");
}

}  // namespace
}  // namespace qvdata
