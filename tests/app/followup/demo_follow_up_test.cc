// The sample school's follow-up records (qvdata demo) are the ones the
// "Contenidos" synchronisation makes from its students and contents.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/followup/sync_follow_up.h"
#include "runtime/core/trim.h"
#include "sync_school.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/demo_school.h"

namespace app::testing {
namespace {

constexpr uint32_t kSeed = 4;
constexpr int32_t kCourse = 101;  // the first course: subjects 1 to 8

// The dumped records of `subject`, in sorted order, without what the
// synchronisation leaves to the file or the teacher: the record number
// and the three marks.
std::vector<std::string> OfSubject(const std::vector<std::string>& lines, int32_t subject) {
  std::vector<std::string> out;
  for (std::string line : lines) {
    if (FieldOf(line, "QVG:COD_MATERIA") != std::to_string(subject)) continue;
    for (const char* label : {"QVG:NRO_REGISTRO=", "QVG:LOGRADO=", "QVG:PENDIENTE=", "QVG:VALORACION_FINAL="}) {
      const size_t at = line.find(label) + std::string(label).size();
      line.erase(at, line.find('|', at) - at);
    }
    out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The students and contents of the sample school as rows.
School StudentsAndContents(const qvdata::DemoSchool& demo) {
  School s;
  rt::FileControlBlock a(QVALUAPDecl()), c(QVAPRENDEDecl());
  auto integer = [](rt::FileControlBlock& f, const char* label) {
    return int32_t(rt::getInteger(f, f.decl().findField(label)).value_or(0));
  };
  auto text = [](rt::FileControlBlock& f, const char* label) {
    return std::string(rt::trimRight(rt::getText(f, f.decl().findField(label)).value_or("")));
  };
  for (const qvdata::RecordImage& r : demo.students) {
    a.record = r.record;
    s.students.push_back({integer(a, "QVA:LEGAJO"), text(a, "QVA:APELLIDO_NOMBRE"), integer(a, "QVA:COD_CURSO")});
  }
  for (const qvdata::RecordImage& r : demo.contents) {
    c.record = r.record;
    c.memos = r.memos;
    s.contents.push_back({integer(c, "QVAP:NRO_REGISTRO"), integer(c, "QVAP:COD_MATERIA"),
                          text(c, "QVAP:CONTENIDO_PRIORIZADO"),
                          rt::getMemo(c, c.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO")).value_or(""),
                          integer(c, "QVAP:COD_CURSO"), text(c, "QVAP:DOCENTE"), integer(c, "QVAP:COD_DOCENTE"),
                          text(c, "QVAP:MATERIAS")});
  }
  return s;
}

class DemoFollowUp : public SyncSchool {};

TEST_F(DemoFollowUp, EverySubjectHasTheRecordsTheSynchronisationWouldMake) {
  const std::string demo = root_ + "/demo";
  std::ostringstream out, err;
  ASSERT_EQ(qvdata::RunQvdata({"demo", demo, "--seed", std::to_string(kSeed), "--divisions", "1"}, out, err), 0)
      << err.str();
  const std::vector<std::string> made = DumpFollowUps(demo);

  // Nothing to add or remove, in the first and last subject of a course.
  for (int32_t subject : {1, 8}) {
    SCOPED_TRACE(subject);
    SyncFollowUpResult r;
    RunIn(demo, subject, kCourse, [&] { r = SyncFollowUp(); });
    EXPECT_TRUE(r.filesOpened);
    EXPECT_EQ(r.created, 0);
    EXPECT_EQ(r.deleted, 0);
  }
  EXPECT_EQ(DumpFollowUps(demo), made);

  // The same students and contents without follow-up records: the
  // synchronisation writes the demo's records, field for field.
  const qvdata::DemoSchool school = qvdata::MakeDemoSchool(kSeed, 1);
  const std::string bare = MakeFolder("bare", StudentsAndContents(school));
  for (int32_t subject : {1, 8}) {
    SCOPED_TRACE(subject);
    SyncFollowUpResult r;
    RunIn(bare, subject, kCourse, [&] { r = SyncFollowUp(); });
    const std::vector<std::string> synced = OfSubject(DumpFollowUps(bare), subject);
    EXPECT_GT(synced.size(), 2u * 27u);  // two contents for every student of the course
    EXPECT_EQ(r.created, int64_t(synced.size()));
    EXPECT_EQ(synced, OfSubject(made, subject));
  }
  // And every subject of the school has its contents.
  for (int32_t subject = 1; subject <= int32_t(school.subjects.size()); ++subject)
    EXPECT_FALSE(OfSubject(made, subject).empty()) << subject;
}

}  // namespace
}  // namespace app::testing
