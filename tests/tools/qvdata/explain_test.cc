// qvdata explain: the stored results of each grade-book row beside what the
// grade rule gives now, and why.
#include <gmock/gmock.h>

#include "qvdata_fixture.h"

namespace qvdata {
namespace {

using ::testing::HasSubstr;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;

constexpr char kStudents[] =
    "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
    "1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",40111222,FEMENINO,,101\n"
    "2,\"Paz, Luis\",0,MASCULINO,,101\n"
    "3,\"Ruiz, Eva\",0,FEMENINO,,101\n";
constexpr char kSubjects[] =
    "NRO_REGISTRO,MATERIA,COD_CURSO\n"
    "10,MATEMATICA,101\n"
    "11,HISTORIA,101\n";
// Ana's row as the program saves it; Luis's written by another program
// with a pass the rule does not give; Eva's never graded. Imported as they
// are (--as-is), as a backup of such a school would be.
constexpr char kGradebook[] =
    "NRO_REGISTRO,COD_MATERIA,NRO_LEGAJO,ALUMNO,ETAPA1,ETAPA2,ETAPA3,ETAPA4,ETAPA9,ETAPA11,FINAL,ETADO\n"
    "1,10,1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",7,8,8,8,9,8.5,8,APRUEBA\n"
    "2,10,2,\"Paz, Luis\",0,6,0,8,8,8,7,APRUEBA\n"
    "3,10,3,\"Ruiz, Eva\",0,0,0,0,0,0,0,\n"
    "4,11,1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",2,0,0,0,0,0,0,\n";

class ExplainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Result r = RunTool({"import", dir_, "--students", csv_.Write("a.csv", kStudents), "--subjects",
                        csv_.Write("m.csv", kSubjects), "--gradebook", csv_.Write("l.csv", kGradebook), "--as-is"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
  }
  ScratchDir csv_, data_;
  std::string dir_ = data_ / "school";
};

TEST_F(ExplainTest, StoredBesideTheRuleWithTheReasonAndDifferencesFlagged) {
  Result r = RunTool({"explain", dir_, "--subject", "10"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "1  N\xC3\xBA\xC3\xB1" "ez, Ana\n"
            "  stored:   Prom. OLE 8,50  FINAL 8,00  APRUEBA\n"
            "  the rule: Prom. OLE 8,50  FINAL 8,00  APRUEBA\n"
            "  why:      Prom. OLE = 8,50 (OLE 1 = 8,00, OLE 2 = 9,00); APRUEBA con 8,00: promedio de 3 notas de "
            "evaluación (Eval. 1, Eval. 2 y Eval. 3), redondeado al medio punto desde 7,67\n"
            "2  Paz, Luis  << differs from the rule: FINAL ETADO\n"
            "  stored:   Prom. OLE 8,00  FINAL 7,00  APRUEBA\n"
            "  the rule: Prom. OLE 8,00  FINAL 0,00  RECUPERA\n"
            "  why:      Prom. OLE = 8,00 (OLE 1 = 8,00, OLE 2 = 8,00); RECUPERA: Eval. 2 = 6,00 está por debajo de 7\n"
            "3  Ruiz, Eva  (not graded yet)\n"
            "  stored:   Prom. OLE 0,00  FINAL 0,00  (sin estado)\n"
            "  the rule: Prom. OLE 0,00  FINAL 0,00  RECUPERA\n"
            "  why:      sin Prom. OLE: faltan OLE 1 y OLE 2; RECUPERA: no hay notas de evaluación\n"
            "3 rows, 1 differs from the rule, 1 not graded yet\n");
}

TEST_F(ExplainTest, OneStudentAsJson) {
  Result r = RunTool({"explain", dir_, "--subject", "10", "--legajo", "2", "--json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  EXPECT_THAT(r.out, HasSubstr("{\"COD_MATERIA\":10,\"NRO_LEGAJO\":2,\"ALUMNO\":\"Paz, Luis\","
                               "\"stored\":{\"ETAPA11\":8.00,\"FINAL\":7.00,\"ETADO\":\"APRUEBA\"},"
                               "\"computed\":{\"ETAPA11\":8.00,\"FINAL\":0.00,\"ETADO\":\"RECUPERA\"},"
                               "\"graded\":true,\"differs\":true,"));
  EXPECT_THAT(r.out, HasSubstr("\"steps\":[{\"decision\":\"OLE_AVERAGE\","));
  EXPECT_THAT(r.out, HasSubstr("{\"decision\":\"EVALUATION_BELOW_PASS\",\"text\":\"RECUPERA: Eval. 2 = 6,00 está "
                               "por debajo de 7\",\"grade\":{\"field\":\"QVL:ETAPA2\",\"header\":\"Eval. 2\","
                               "\"value\":6.00},\"FINAL\":0.00,\"ETADO\":\"RECUPERA\"}]}\n"));
}

TEST_F(ExplainTest, NothingToExplainIsAnError) {
  Result r = RunTool({"explain", dir_, "--subject", "10", "--legajo", "9"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.err, "qvdata explain: no grade-book row of subject 10 and student 9 in " + dir_ + "/QVLIBRETA.KRL\n");
  r = RunTool({"explain", dir_});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_THAT(r.err, HasSubstr("--subject is required"));
  r = RunTool({"explain", data_ / "nowhere", "--subject", "10"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr("no such file"));
}

}  // namespace
}  // namespace qvdata
