// `qvdata sheet` run as its own process without a display: the PDF read
// back with poppler holds every student of the subject in name order with
// their grades, the subject's header on every page, one group header per
// student on the contents sheet; refused subjects leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "pdf_text.h"
#include "sheet_school.h"

namespace app::sheets::testing {
namespace {

class QvdataSheet : public SheetSchool {
 protected:
  // qvdata with no display and no Qt platform chosen: it must pick the
  // offscreen one itself.
  Ran Qvdata(const std::string& args) {
    return RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quoted(QVDATA_PROGRAM) + " sheet " +
                          Quoted(dir_) + " " + args,
                      dir_ + "/run");
  }
  std::string Pdf(const std::string& name) { return dir_ + "/" + name; }
  // With QV_SHEETS_SHOTS set, the sheets are kept there to be looked at.
  void Keep(const std::string& pdf) {
    const char* shots = std::getenv("QV_SHEETS_SHOTS");
    if (!shots || !*shots) return;
    std::error_code ec;
    std::filesystem::create_directories(shots, ec);
    std::filesystem::copy_file(pdf, std::filesystem::path(shots) / std::filesystem::path(pdf).filename(),
                               std::filesystem::copy_options::overwrite_existing, ec);
  }

  // The words after `name` on its line.
  static std::vector<std::string> RowAfter(const std::string& text, const std::string& name) {
    for (const std::string& line : Lines(text)) {
      size_t at = line.find(name);
      if (at != std::string::npos) return Words(line.substr(at + name.size()));
    }
    return {};
  }
};

std::string TwoDecimals(const char* typed) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.2f", std::atof(typed));
  return buf;
}

TEST_F(QvdataSheet, ProgressSheetListsTheSubjectsStudentsInNameOrderWithTheirGrades) {
  const std::string pdf = Pdf("historia.pdf");
  Ran r = Qvdata("--subject 7 --progress --pdf " + Quoted(pdf));
  ASSERT_EQ(r.status, 0) << r.err;
  Keep(pdf);
  EXPECT_NE(r.out.find("5 records, 1 page"), std::string::npos) << r.out;
  const std::string text = PdfText(pdf);

  // Name order, whatever order the rows were added in.
  std::vector<size_t> at;
  for (const std::string& name : HistoryNamesInOrder()) {
    at.push_back(text.find(name));
    ASSERT_NE(at.back(), std::string::npos) << name;
  }
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));

  // Each row: its non-zero grades with two decimals in column order, then
  // the final; a zero grade (Pro. OLE 0, Rec. 0) prints nothing.
  for (const Student& s : HistoryStudents()) {
    SCOPED_TRACE(s.name);
    std::vector<std::string> expected;
    for (const char* g : s.grades)
      if (std::atof(g) != 0) expected.push_back(TwoDecimals(g));
    expected.push_back(TwoDecimals(s.final_grade));
    EXPECT_EQ(RowAfter(text, s.name), expected);
  }
  EXPECT_FALSE(std::regex_search(text, std::regex("(^|\\s)0\\.00")));
  // The blank is in the "Pro. OLE" column: DOMÍNGUEZ's Rec. (7.00) stands
  // under "Rec.", right of where "Pro. OLE" starts.
  const auto lines = Lines(text);
  auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("Pro. OLE") != std::string::npos; });
  auto row = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("DOMÍNGUEZ") != std::string::npos; });
  ASSERT_NE(header, lines.end());
  ASSERT_NE(row, lines.end());
  const size_t recAt = row->rfind("7.00", row->rfind("7.75"));
  EXPECT_GT(recAt, header->find("Pro. OLE") + std::string("Pro. O").size() - 1);

  for (const char* caption : {"Alumno/a", "Eval. 1", "OLE 1", "JIS 2", "Pro. OLE", "Rec.", "Final"})
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
}

TEST_F(QvdataSheet, FortyStudentsTakeTwoPagesEachWithTheSubjectsHeader) {
  const std::string pdf = Pdf("geografia.pdf");
  Ran r = Qvdata("--subject 8 --progress --pdf " + Quoted(pdf));
  ASSERT_EQ(r.status, 0) << r.err;
  Keep(pdf);
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
  const std::vector<std::string> pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  int rows = 0;
  for (const std::string& page : pages) {
    for (const char* part : {"GEOGRAFÍA", "SUPERIOR", "MAÑANA", "PAZ, Julio", "Pro. OLE"})
      EXPECT_NE(page.find(part), std::string::npos) << part;
    // Year 4, division A, on the line of the cycle.
    std::smatch m;
    EXPECT_TRUE(std::regex_search(page, m, std::regex("SUPERIOR +4 +A +MAÑANA"))) << page.substr(0, 400);
    for (int i = 1; i <= 40; ++i) rows += page.find(GeographyName(i)) != std::string::npos;
  }
  EXPECT_EQ(rows, 40);  // each student once, over both pages
  // 170 mm of detail area hold 28 lines of 6 mm.
  EXPECT_NE(pages[0].find(GeographyName(28)), std::string::npos);
  EXPECT_NE(pages[1].find(GeographyName(29)), std::string::npos);

  // The document says what it is and when it was made.
  EXPECT_EQ(PdfInfo(pdf, "Title"), "Planilla - GEOGRAFÍA - 4 A - SUPERIOR - MAÑANA");
  const std::string made = PdfInfo(pdf, "CreationDate");
  std::time_t now = std::time(nullptr);
  char year[8];
  std::strftime(year, sizeof year, "%Y", std::gmtime(&now));
  EXPECT_NE(made.find(year), std::string::npos) << made;
}

TEST_F(QvdataSheet, ContentsSheetGroupsEachStudentsFollowUpUnderOneHeader) {
  const std::string pdf = Pdf("contenidos.pdf");
  Ran r = Qvdata("--subject 7 --contents --pdf " + Quoted(pdf));
  ASSERT_EQ(r.status, 0) << r.err;
  Keep(pdf);
  EXPECT_NE(r.out.find("12 records"), std::string::npos) << r.out;
  const std::string text = PdfText(pdf);
  for (const char* caption : {"Nucleos - Contenidos Priorizados", "Aprendizajes", "Logrado", "Pendiente", "Valoración"})
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
  auto count = [&](const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("ACOSTA, Bruno"), 1);
  EXPECT_EQ(count("BRIZUELA, Luz"), 1);
  EXPECT_EQ(text.find("otra materia"), std::string::npos);
  const size_t acosta = text.find("ACOSTA, Bruno"), brizuela = text.find("BRIZUELA, Luz");
  ASSERT_LT(acosta, brizuela);
  // ACOSTA's ten contents lie between the two group headers, each with its
  // learning beside it; BRIZUELA's two after hers.
  const std::string first = text.substr(acosta, brizuela - acosta), second = text.substr(brizuela);
  for (int c = 1; c <= 10; ++c) {
    const std::regex content("Contenido " + std::to_string(c) + "\\b");
    EXPECT_TRUE(std::regex_search(first, content)) << c;
    EXPECT_NE(first.find("Aprendizaje del contenido " + std::to_string(c)), std::string::npos) << c;
    EXPECT_EQ(std::regex_search(second, content), c <= 2) << c;
  }
  EXPECT_EQ(count("SI"), 5);
  EXPECT_EQ(count("NO"), 2);
  EXPECT_NE(text.find("HISTORIA"), std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex("SUPERIOR +3 +B +TARDE")));
}

// The sample school prints the contents sheet of its first subject: a
// group per student of the course, each with the subject's two contents.
TEST_F(QvdataSheet, DemoSchoolPrintsTheContentsSheet) {
  const std::string demo = dir_ + "/demo";
  Ran made = RunCommand(Quoted(QVDATA_PROGRAM) + " demo " + Quoted(demo) + " --divisions 1", dir_ + "/run");
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find(" follow-up records"), std::string::npos) << made.out;
  const std::string pdf = Pdf("demo-contenidos.pdf");
  // Run as from cron or sudo, without a session's runtime folder: Qt's
  // complaint about it must not reach the terminal, and the private folder
  // made in its place is gone afterwards.
  const std::string tmp = dir_ + "/tmp";
  std::filesystem::create_directory(tmp);
  Ran r = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR TMPDIR=" + Quoted(tmp) +
                         " " + Quoted(QVDATA_PROGRAM) + " sheet " + Quoted(demo) + " --subject 1 --contents --pdf " +
                         Quoted(pdf),
                     dir_ + "/run");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("XDG_RUNTIME_DIR"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
  Keep(pdf);
  const std::string text = PdfText(pdf);
  // Both contents of the subject, once per student of the course (28 to 32).
  auto count = [&](const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  const int first = count("práctico 1:");
  EXPECT_GE(first, 28);
  EXPECT_LE(first, 32);
  EXPECT_EQ(count("práctico 2:"), first);
  EXPECT_NE(text.find("MATEMÁTICA"), std::string::npos);
}

TEST_F(QvdataSheet, RefusedSubjectsSayWhyAndLeaveNoFile) {
  struct Case {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"--subject 99 --progress", 1, "no subject 99 in"},
      {"--subject 9 --progress", 1, "has no grade-book rows"},
      {"--subject 9 --contents", 1, "has no follow-up records"},
      {"--subject 7", 2, "--progress or --contents"},
      {"--subject 7 --progress --contents", 2, "excludes"},
  };
  const std::string pdf = Pdf("refused.pdf");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Ran r = Qvdata(std::string(c.args) + " --pdf " + Quoted(pdf));
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));
  }
  // A file already there stays as it was.
  Write("kept.pdf", "an earlier sheet");
  EXPECT_EQ(Qvdata("--subject 9 --progress --pdf " + Quoted(Pdf("kept.pdf"))).status, 1);
  EXPECT_EQ(Slurp(Pdf("kept.pdf")), "an earlier sheet");
  // A folder without the school's files.
  Ran r = RunCommand(Quoted(QVDATA_PROGRAM) + " sheet /nonexistent --subject 7 --progress --pdf " + Quoted(pdf), dir_ + "/run");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("QVMaterias.KRL not found"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace app::sheets::testing
