// Problems of an import as a person reads them: repeats summed up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "qvdata_fixture.h"
#include "tools/qvdata/problems.h"

namespace qvdata {
namespace {

using ::testing::HasSubstr;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;

std::string Report(const std::vector<Problem>& problems) {
  std::ostringstream err;
  ReportProblems(problems, err);
  return err.str();
}

TEST(ProblemsTest, RepeatsShowTheirFirstLinesWholeThenOneLineForAll) {
  const std::string missing = "COD_CURSO: no course (of any subject) 101 in the folder or in this import";
  const std::string hint = "import the subjects first or in the same run with --subjects";
  std::vector<Problem> problems;
  // Given out of order: 2-33, 40, 50-51, 60, 70 (36 lines), plus one other
  // reason between them and another file's repeats below the threshold.
  for (size_t line : {70, 60, 51, 50, 40}) problems.push_back({"students.csv", line, 6, missing, hint});
  for (size_t line = 33; line >= 2; --line) problems.push_back({"students.csv", line, 6, missing, hint});
  problems.push_back({"students.csv", 3, 3, "DNI: not a whole number"});
  for (size_t line : {4, 2}) problems.push_back({"subjects.csv", line, 0, "no NRO_REGISTRO", "never shown"});
  EXPECT_EQ(Report(problems),
            "students.csv:2:6: " + missing + "\n"
            "students.csv:3:6: " + missing + "\n"
            "students.csv:4:6: " + missing + "\n"
            "students.csv: " + missing + ": lines 2-33, 40, 50-51 and 2 more; " + hint + "\n"
            "students.csv:3:3: DNI: not a whole number\n"
            "subjects.csv:2: no NRO_REGISTRO\n"
            "subjects.csv:4: no NRO_REGISTRO\n");

  // How the lines are named, by the group's lines.
  struct Case {
    std::vector<size_t> lines;
    const char* named;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5, 6}, "lines 1-6"},
      {{1, 3, 5, 7, 9, 11}, "lines 1, 3, 5 and 3 more"},
      {{1, 2, 3, 9, 10, 11}, "lines 1-3 and 9-11"},
      {{1, 2, 3, 9, 20, 21, 22}, "lines 1-3, 9 and 20-22"},
  };
  for (const Case& c : cases) {
    std::vector<Problem> group;
    for (size_t line : c.lines) group.push_back({"f.csv", line, 1, "bad"});
    EXPECT_THAT(Report(group), HasSubstr("f.csv: bad: " + std::string(c.named) + "\n")) << c.named;
  }
  // One short of the threshold: every line whole.
  std::vector<Problem> few;
  for (size_t line = 1; line < kProblemsGrouped; ++line) few.push_back({"f.csv", line, 1, "bad"});
  const std::string all = Report(few);
  EXPECT_EQ(static_cast<size_t>(std::count(all.begin(), all.end(), '\n')), kProblemsGrouped - 1);
  EXPECT_THAT(all, ::testing::Not(HasSubstr("lines")));
}

TEST(ProblemsTest, AnImportWithOneFaultOnEveryLineSaysSoInAFewLines) {
  ScratchDir d;
  std::string students = "LEGAJO,APELLIDO_NOMBRE,COD_CURSO\n";
  for (int i = 1; i <= 300; ++i) students += std::to_string(i) + ",\"ALUMNO, " + std::to_string(i) + "\",101\n";
  const Result r = RunTool({"import", d / "school", "--students", d.Write("students.csv", students)});
  EXPECT_EQ(r.status, kExitFailed);
  const std::string path = d / "students.csv";
  const std::string missing = "COD_CURSO: no course (of any subject) 101 in the folder or in this import";
  EXPECT_EQ(r.err, path + ":2:3: " + missing + "\n" + path + ":3:3: " + missing + "\n" + path + ":4:3: " + missing +
                       "\n" + path + ": " + missing +
                       ": lines 2-301; import the subjects first or in the same run with --subjects\n"
                       "300 problems; nothing imported\n");
}

}  // namespace
}  // namespace qvdata
