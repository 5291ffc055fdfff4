// The "Contenidos" synchronisation over real Kestrel files: a table of
// cases, then SyncFollowUp against a plain reference of the two nested
// passes (the model) on random small schools, then files it cannot use.
#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/followup/sync_follow_up.h"
#include "runtime/kestrel/os/fault_injection.h"
#include "nested_walk_sync.h"
#include "sync_school.h"

namespace app::testing {
namespace {

constexpr int32_t kSubject = 31, kCourse = 5, kOther = 32;

// Subject 31 of course 5 with two contents; course 5 has Bruno and Ana,
// course 6 has Carla. Every follow-up record is in place and marked.
School Synchronised() {
  School s;
  s.students = {{101, "RUIZ, Bruno", kCourse}, {102, "ALVAREZ, Ana", kCourse}, {103, "SOSA, Carla", 6}};
  s.contents = {{7, kSubject, "Fracciones", "Sumar y restar", kCourse},
                {9, kSubject, "Decimales", "Redondeo", kCourse},
                {4, kOther, "Lectura", "Cuentos", kCourse}};
  for (const ContentRow& c : s.contents)
    for (int32_t legajo : {101, 102}) s.followUps.push_back({legajo, c.materia, c.text, c.memo, "X"});
  return s;
}

struct Case {
  const char* name;
  std::function<void(School&)> change;
  int created;
  int deleted;
  // Expected lines of the result, checked by a few fields each.
  std::function<void(const std::vector<std::string>&)> check = [](const std::vector<std::string>&) {};
};

class SyncCases : public SyncSchool, public ::testing::WithParamInterface<Case> {};

TEST_P(SyncCases, CreatesDeletesAndKeepsWhatItShould) {
  const Case& c = GetParam();
  School s = Synchronised();
  c.change(s);
  const std::string dir = MakeFolder("school", s);
  SyncFollowUpResult r;
  RunIn(dir, kSubject, kCourse, [&] { r = SyncFollowUp(); });
  EXPECT_TRUE(r.filesOpened);
  EXPECT_EQ(r.created, c.created);
  EXPECT_EQ(r.deleted, c.deleted);
  EXPECT_EQ(r.packed, c.deleted > 0);
  EXPECT_EQ(r.insertFailures + r.deleteFailures, 0);
  EXPECT_TRUE(presenter_.shown.empty()) << presenter_.shown.front();
  const std::vector<std::string> after = DumpFollowUps(dir);
  c.check(after);
  // Whatever the case, running again finds nothing to do.
  RunIn(dir, kSubject, kCourse, [&] { r = SyncFollowUp(); });
  EXPECT_EQ(r.created + r.deleted, 0);
  EXPECT_EQ(DumpFollowUps(dir), after);
}

// The last `n` lines.
std::vector<std::string> Last(const std::vector<std::string>& v, size_t n) {
  return std::vector<std::string>(v.end() - std::min(n, v.size()), v.end());
}

INSTANTIATE_TEST_SUITE_P(
    Contenidos, SyncCases,
    ::testing::Values(
        Case{"AlreadySynchronised", [](School&) {}, 0, 0,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 6u);
               for (const std::string& l : v) EXPECT_EQ(FieldOf(l, "QVG:LOGRADO"), "X");
             }},
        Case{"NewStudentGetsEveryContentInContentOrder",
             [](School& s) { s.students.push_back({104, "MOLINA, Dario", kCourse}); }, 2, 0,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 8u);
               for (const std::string& l : Last(v, 2)) {
                 EXPECT_EQ(FieldOf(l, "QVG:NRO_LEGAJO"), "104");
                 EXPECT_EQ(FieldOf(l, "QVG:ALUMNO"), "MOLINA, Dario");
                 EXPECT_EQ(FieldOf(l, "QVG:LOGRADO"), "");
               }
               EXPECT_EQ(FieldOf(v[6], "QVG:CONTENIDO_PRIORIZADO"), "Fracciones");
               EXPECT_EQ(FieldOf(v[6], "QVG:NRO_REGISTRO"), "7");
               EXPECT_EQ(FieldOf(v[7], "QVG:CONTENIDO_PRIORIZADO"), "Decimales");
               EXPECT_EQ(FieldOf(v[7], "QVG:NRO_REGISTRO"), "8");
             }},
        Case{"NewContentGoesToEveryStudentByName",
             [](School& s) {
               s.contents.push_back({70000, kSubject, "Porcentajes", "Descuentos", 9, "LOPEZ, Ana", 12, "Matemática"});
             },
             2, 0,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 8u);
               EXPECT_EQ(FieldOf(v[6], "QVG:ALUMNO"), "ALVAREZ, Ana");  // by name, not by file number
               EXPECT_EQ(FieldOf(v[7], "QVG:ALUMNO"), "RUIZ, Bruno");
               const std::string& l = v[6];
               EXPECT_EQ(FieldOf(l, "QVG:COD_MATERIA"), "31");
               EXPECT_EQ(FieldOf(l, "QVG:NRO_ORDEN"), "4464");  // 70000 & 0xFFFF
               EXPECT_EQ(FieldOf(l, "QVG:INGRESO"), "70000");
               EXPECT_EQ(FieldOf(l, "QVG:COD_CURSO"), "9");  // the content's course
               EXPECT_EQ(FieldOf(l, "QVG:MATERIAS"), "Matemática");
               EXPECT_EQ(FieldOf(l, "QVG:DOCENTE"), "LOPEZ, Ana");
               EXPECT_EQ(FieldOf(l, "QVG:OPERADOR"), "LOPEZ, Ana");
               EXPECT_EQ(FieldOf(l, "QVG:COD_DOCENTE"), "12");
               EXPECT_EQ(FieldOf(l, "QVG:APRENDIZAJE_TRABAJO"), "Descuentos");
             }},
        Case{"ChangedContentTextLosesItsMarksAndStartsBlank",
             [](School& s) { s.contents[1].text = "Números decimales"; }, 2, 2,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 6u);
               for (const std::string& l : Last(v, 2)) {
                 EXPECT_EQ(FieldOf(l, "QVG:CONTENIDO_PRIORIZADO"), "Números decimales");
                 EXPECT_EQ(FieldOf(l, "QVG:LOGRADO"), "");
               }
               EXPECT_EQ(FieldOf(v[0], "QVG:OPERADOR"), "");  // the old records are as they were
             }},
        Case{"ChangedMemoCountsAsAnotherContent", [](School& s) { s.contents[0].memo = "Sumar"; }, 2, 2},
        Case{"TrailingBlanksDoNotMakeAnotherContent", [](School& s) { s.contents[0].memo += "   "; }, 0, 0},
        Case{"DeletedContentTakesItsRecordsWith", [](School& s) { s.contents.erase(s.contents.begin()); }, 0, 2,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 4u);
               for (const std::string& l : v) EXPECT_NE(FieldOf(l, "QVG:CONTENIDO_PRIORIZADO"), "Fracciones");
             }},
        Case{"OrphansOfOtherSubjectsGoToo", [](School& s) { s.contents.pop_back(); }, 0, 2},
        Case{"SameContentTwiceGivesOneRecordPerStudent",
             [](School& s) {
               s.followUps.clear();
               s.contents.push_back(s.contents[0]);
               s.contents.back().registro = 0;  // its registration number is unique
             },
             4, 0},
        Case{"RecordsOfAnotherSubjectAreLeftAlone",
             [](School& s) {
               s.students.push_back({104, "MOLINA, Dario", kCourse});
               s.followUps.push_back({104, kOther, "Lectura", "Cuentos", "Y", "E", "P", "obs"});
             },
             2, 0,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 9u);
               EXPECT_EQ(FieldOf(v[6], "QVG:LOGRADO"), "Y");
               EXPECT_EQ(FieldOf(v[6], "QVG:ENPROCESO"), "E");
               EXPECT_EQ(FieldOf(v[6], "QVG:OBSPPI"), "obs");
             }},
        Case{"StudentsWithoutNameOrOfAnotherCourseAreSkipped",
             [](School& s) {
               s.students.push_back({105, "", kCourse});
               s.students.push_back({106, "GARCIA, Eva", 6});
             },
             0, 0},
        Case{"NewRecordDoesNotInheritTheRecordReadLast",
             [](School& s) {
               s.students.push_back({104, "MOLINA, Dario", kCourse});
               // The file's last record carries all three fields the program never sets.
               s.followUps.push_back({102, kOther, "Lectura", "Cuentos", "X", "SI", "PPI-2", "Adecuación"});
               s.followUps.push_back({101, 99, "Gone", "gone", "X", "SI", "PPI-1", "Observación larga"});
             },
             2, 1,
             [](const std::vector<std::string>& v) {
               ASSERT_EQ(v.size(), 9u);
               for (const std::string& l : Last(v, 2)) {
                 EXPECT_EQ(FieldOf(l, "QVG:NRO_LEGAJO"), "104");
                 EXPECT_EQ(FieldOf(l, "QVG:ENPROCESO"), "") << l;
                 EXPECT_EQ(FieldOf(l, "QVG:PPI"), "") << l;
                 EXPECT_EQ(FieldOf(l, "QVG:OBSPPI"), "") << l;
                 EXPECT_EQ(FieldOf(l, "QVG:LOGRADO"), "") << l;
               }
               EXPECT_EQ(FieldOf(v[7], "QVG:NRO_REGISTRO"), "9");  // numbered on from the deleted last one
             }}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// A random school of a few courses, subjects and contents with names and
// texts drawn from small sets, so that ties, duplicates and orphans occur.
School RandomSchool(uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  const char* names[] = {"PEREZ, Ana", "perez, ana", "GOMEZ, Luis", "", "ZAPATA, Eva", "ABAD, Juan", "GOMEZ, Luis"};
  const char* texts[] = {"Fracciones", "Decimales", "Fracciones ", "Lectura"};
  const char* memos[] = {"", "Ejercicios", "Ejercicios  ", "Trabajo práctico"};
  School s;
  const int students = 4 + pick(10);
  for (int i = 0; i < students; ++i)
    s.students.push_back({int32_t(100 + pick(students + 3)), names[pick(7)], int32_t(1 + pick(3))});
  const int contents = pick(8);
  for (int i = 0; i < contents; ++i)
    s.contents.push_back({int32_t(pick(3) == 0 ? 0 : pick(70000)), int32_t(1 + pick(3)), texts[pick(4)],
                          memos[pick(4)], int32_t(pick(4)), pick(2) ? "DOCENTE UNO" : "DOCENTE DOS CON UN NOMBRE LARGO",
                          int32_t(pick(5)), pick(2) ? "Lengua" : "Matemática"});
  const int followUps = pick(20);
  for (int i = 0; i < followUps; ++i)
    s.followUps.push_back({int32_t(100 + pick(students + 3)), int32_t(1 + pick(3)), texts[pick(4)], memos[pick(4)],
                           pick(2) ? "X" : "", pick(2) ? "E" : "", pick(2) ? "P" : "", pick(2) ? "obs" : ""});
  return s;
}

TEST_F(SyncSchool, SameRecordsFieldsAndOrderAsTheNestedWalksOnRandomSchools) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const School s = RandomSchool(seed);
    const int32_t subject = 1 + int32_t(seed % 3), course = 1 + int32_t(seed / 3 % 3);
    const std::string real = MakeFolder("real" + std::to_string(seed), s);
    const std::string model = MakeFolder("model" + std::to_string(seed), s);
    SyncFollowUpResult got, want;
    RunIn(real, subject, course, [&] { got = SyncFollowUp(); });
    RunIn(model, subject, course, [&] { want = NestedWalkSync(); });
    EXPECT_EQ(got.created, want.created);
    EXPECT_EQ(got.deleted, want.deleted);
    EXPECT_EQ(DumpFollowUps(real), DumpFollowUps(model));
  }
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(SyncSchool, SubjectZeroAndAnEmptyFollowUpFile) {
  School s = Synchronised();
  s.followUps.clear();
  for (ContentRow& c : s.contents) c.materia = 0;
  const std::string real = MakeFolder("real", s), model = MakeFolder("model", s);
  SyncFollowUpResult got;
  RunIn(real, 0, kCourse, [&] { got = SyncFollowUp(); });
  RunIn(model, 0, kCourse, [] { NestedWalkSync(); });
  EXPECT_EQ(got.created, 6);
  EXPECT_EQ(DumpFollowUps(real), DumpFollowUps(model));
  RunIn(real, 0, kCourse, [&] { got = SyncFollowUp(); });
  EXPECT_EQ(got.created, 0);
}

TEST_F(SyncSchool, RestoresTheBuffersTheWindowsListsHang_on) {
  const std::string dir = MakeFolder("school", Synchronised());
  RunIn(dir, kSubject, kCourse, [] {
    rt::FileControlBlock& a = Access_QVALUAP->Block();
    rt::setInteger(a, a.decl().findField("QVA:LEGAJO"), 102);  // the selected student
    SyncFollowUp();
    EXPECT_EQ(rt::getInteger(a, a.decl().findField("QVA:LEGAJO")).value_or(0), 102);
  });
}

// A disk that fails one flush, for every flush of a run in turn: a content's
// records are made all or none, what the run reports matches the file, a
// failure is told, and the next run completes the file, one record per
// student and content.
TEST_F(SyncSchool, AFailedFlushLeavesWholeContentsAndTheNextRunCompletesThem) {
  School s = Synchronised();
  s.followUps.clear();
  s.contents.pop_back();  // two contents of the subject, two students: four records
  bool failedOnce = false;
  for (int64_t k = 0; k < 200; ++k) {
    SCOPED_TRACE("flush " + std::to_string(k));
    const std::string dir = MakeFolder("f" + std::to_string(k), s);
    presenter_.shown.clear();
    SyncFollowUpResult r;
    RunIn(dir, kSubject, kCourse, [&] {
      kestrel::fault::Plan plan;
      plan.fail_flush = k;
      kestrel::fault::Arm(plan);
      r = SyncFollowUp();
      kestrel::fault::Disarm();
    });
    std::vector<std::string> lines = DumpFollowUps(dir);
    EXPECT_EQ(int64_t(lines.size()), r.created);
    int fracciones = 0;
    for (const std::string& l : lines) fracciones += FieldOf(l, "QVG:CONTENIDO_PRIORIZADO") == "Fracciones";
    EXPECT_TRUE(fracciones == 0 || fracciones == 2) << fracciones;
    if (r.created == 4 && r.insertFailures == 0) {
      if (!failedOnce) ADD_FAILURE() << "no flush failed the run";
      break;  // past the last flush the run makes
    }
    failedOnce = true;
    EXPECT_FALSE(presenter_.shown.empty());
    RunIn(dir, kSubject, kCourse, [&] { r = SyncFollowUp(); });
    lines = DumpFollowUps(dir);
    std::set<std::string> pairs;
    for (const std::string& l : lines)
      pairs.insert(FieldOf(l, "QVG:NRO_LEGAJO") + "/" + FieldOf(l, "QVG:CONTENIDO_PRIORIZADO"));
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_EQ(pairs.size(), 4u);
  }
}

// A data file that cannot be opened is a fatal "File Access Error" of the
// file manager: the message names the file, the program ends (in a child
// process here) and no other file has been touched.
TEST_F(SyncSchool, AFollowUpFileThatCannotBeReadEndsWithAMessageAndChangesNothing) {
  School s = Synchronised();
  s.contents[0].text = "Otro";  // would delete two and create two
  const std::string dir = MakeFolder("school", s);
  const std::string contents = dir + "/QVAPRENDE.KRL";
  const auto size = std::filesystem::file_size(contents);
  {
    std::ofstream damaged(dir + "/QVSEGUIR.KRL", std::ios::binary | std::ios::trunc);
    damaged << std::string(4096, 'x');
  }
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        rt::setMessagePresenter(nullptr);  // to standard error
        RunIn(dir, kSubject, kCourse, [] { SyncFollowUp(); });
      },
      ::testing::ExitedWithCode(2), "QVSEGUIR.*could not be opened");
  EXPECT_EQ(std::filesystem::file_size(contents), size);
}

}  // namespace
}  // namespace app::testing
