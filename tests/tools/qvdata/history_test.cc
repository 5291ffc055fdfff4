// The history of grade changes as qvdata import writes it and qvdata
// history lists it.
#include <gmock/gmock.h>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_book_record.h"
#include "qvdata_fixture.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "tests/runtime/kestrel/driver/child_process.h"
#include "tools/qvdata/grade_book_companion.h"

namespace qvdata {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Result;
using testing::RunTool;
using testing::ScratchDir;
using testing::Snapshot;

constexpr char kStudents[] =
    "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n"
    "1,\"N\xC3\xBA\xC3\xB1" "ez, Ana\",0,FEMENINO,,101\n"
    "2,\"Paz, Luis\",0,MASCULINO,,101\n";
constexpr char kSubjects[] = "NRO_REGISTRO,MATERIA,COD_CURSO\n10,MATEMATICA,101\n11,HISTORIA,101\n";

class HistoryTest : public ::testing::Test {
 protected:
  Result Import(const std::string& option, const std::string& csv, bool update = false) {
    Args args = {"import", dir_, option, csv_.Write("in.csv", csv)};
    if (update) args.push_back("--update");
    return RunTool(args);
  }
  void SetUp() override {
    ASSERT_EQ(RunTool({"import", dir_, "--students", csv_.Write("a.csv", kStudents), "--subjects",
                       csv_.Write("m.csv", kSubjects)})
                  .status,
              kExitOk);
  }
  // The CSV listing without its date and time cells, which are the import's.
  std::vector<std::string> Listed(Args extra = {}) {
    Args args = {"history", dir_, "--subject", "10", "--csv"};
    args.insert(args.end(), extra.begin(), extra.end());
    Result r = RunTool(args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
      size_t cut = line.find(',', line.find(',') + 1);
      lines.push_back(line.substr(cut + 1));
    }
    return lines;
  }

  ScratchDir csv_, data_;
  std::string dir_ = data_ / "school";
};

TEST_F(HistoryTest, ImportedGradeBookRowsLeaveTheirHistoryOldestFirst) {
  // Students and subjects alone have no grades: no history file.
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/QVHISTORIA.KRL"));
  Result r = RunTool({"history", dir_, "--subject", "10"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "no grade changes recorded for subject 10\n");

  ASSERT_EQ(Import("--gradebook",
                   "COD_MATERIA,NRO_LEGAJO,ETAPA1,ETAPA4,ETAPA9\n10,1,8,9,9\n10,2,0,0,0\n11,1,4,0,0\n")
                .status,
            kExitOk);
  ASSERT_EQ(Import("--gradebook", "COD_MATERIA,NRO_LEGAJO,ETAPA1,AC\n10,1,6.5,AUSENTE\n10,2,7,\n", true).status,
            kExitOk);
  EXPECT_THAT(Listed(),
              ElementsAre("COD_MATERIA,NRO_LEGAJO,ALUMNO,CAMPO,ANTERIOR,NUEVO,FINAL,ETADO,DNI_DOCENTE,PROGRAMA",
                          // The new rows: every grade they came with, and the
                          // results the rule gave them.
                          "10,1,,ETAPA1,,8.00,8.00,APRUEBA,0,qvdata import",
                          "10,1,,ETAPA4,,9.00,8.00,APRUEBA,0,qvdata import",
                          "10,1,,ETAPA9,,9.00,8.00,APRUEBA,0,qvdata import",
                          "10,1,,ETAPA11,,9.00,8.00,APRUEBA,0,qvdata import",
                          "10,1,,FINAL,,8.00,8.00,APRUEBA,0,qvdata import",
                          "10,1,,ETADO,,APRUEBA,8.00,APRUEBA,0,qvdata import",
                          "10,2,,ETADO,,RECUPERA,0.00,RECUPERA,0,qvdata import",
                          // The update: only what changed.
                          "10,1,,ETAPA1,8.00,6.50,0.00,RECUPERA,0,qvdata import",
                          "10,1,,FINAL,8.00,0.00,0.00,RECUPERA,0,qvdata import",
                          "10,1,,ETADO,APRUEBA,RECUPERA,0.00,RECUPERA,0,qvdata import",
                          "10,1,,AC,,AUSENTE,0.00,RECUPERA,0,qvdata import",
                          "10,2,,ETAPA1,0.00,7.00,0.00,RECUPERA,0,qvdata import"));
  EXPECT_THAT(Listed({"--legajo", "2"}), ElementsAre(::testing::StartsWith("COD_MATERIA"),
                                                     "10,2,,ETADO,,RECUPERA,0.00,RECUPERA,0,qvdata import",
                                                     "10,2,,ETAPA1,0.00,7.00,0.00,RECUPERA,0,qvdata import"));

  // For people: the list's headers, decimal commas and the students' names
  // from the grade book.
  r = RunTool({"history", dir_, "--subject", "10", "--legajo", "1"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  1  Eval. 1: - -> 8,00  (FINAL 8,00, APRUEBA)  qvdata import\n"));
  EXPECT_THAT(r.out, HasSubstr("  1  AC: - -> AUSENTE  (FINAL 0,00, RECUPERA)  qvdata import\n"));
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 10);
}

// Another program's file under the history's name: reported, with what to
// do, and the grades imported all the same; the file is left as it was.
TEST_F(HistoryTest, AHistoryThatCannotBeOpenedIsReportedAndTheGradesImported) {
  ASSERT_EQ(Import("--gradebook", "COD_MATERIA,NRO_LEGAJO,ETAPA1\n10,1,8\n").status, kExitOk);
  std::filesystem::remove(dir_ + "/QVHISTORIA.KRL");
  std::ofstream(dir_ + "/QVHISTORIA.KRL") << "not a history";
  Result r = Import("--gradebook", "COD_MATERIA,NRO_LEGAJO,ETAPA1\n10,1,9\n10,2,7\n", true);
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_THAT(r.err, HasSubstr("qvdata import: warning: the history of grade changes " + dir_ + "/QVHISTORIA.KRL"));
  EXPECT_THAT(r.err, HasSubstr("move it away"));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_EQ(testing::ReadFile(dir_ + "/QVHISTORIA.KRL"), "not a history");
  r = RunTool({"export", dir_, "gradebook"});
  EXPECT_THAT(r.out, HasSubstr(",9.00,"));
  EXPECT_THAT(r.out, HasSubstr(",7.00,"));

  r = RunTool({"history", dir_, "--subject", "10"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_THAT(r.err, HasSubstr("qvdata history: " + dir_ + "/QVHISTORIA.KRL: "));
}

// Refuses every record added to the history, as a full disk would.
class RefuseAdds : public rt::FileCallback {
 public:
  bool FunctionCalled(rt::FileControlBlock&, rt::FileNotice& n) override {
    if (n.kind != rt::FileOpKind::kAdd) return true;
    n.error_code = rt::Error_FileSystemError;
    return ++refused, false;
  }
  bool FunctionDone(rt::FileControlBlock&, rt::FileNotice&) override { return true; }
  int refused = 0;
};

// A history that opens but refuses its records in the middle of a write:
// reported once, and the write done again without it, every row with the
// rule's results.
TEST(GradeBookCompanionTest, AHistoryThatRefusesItsRecordsIsLeftOutAndTheRowsWritten) {
  ScratchDir dir;
  School school(dir.path());
  std::string error;
  ASSERT_TRUE(school.Open("QVLIBRETA", true, &error)) << error;
  rt::FileControlBlock& book = *school.Block("QVLIBRETA");
  std::vector<RecordImage> rows;
  for (int student = 1; student <= 3; ++student) {
    rt::FileControlBlock row(app::QVLIBRETADecl());
    rt::setInteger(row, row.decl().findField("QVL:NRO_REGISTRO"), student);
    rt::setInteger(row, row.decl().findField("QVL:COD_MATERIA"), 10);
    rt::setInteger(row, row.decl().findField("QVL:NRO_LEGAJO"), student);
    rt::setDecimal(row, row.decl().findField("QVL:ETAPA1"), rt::Decimal::Parse("9").value());
    rows.push_back({row.record, row.memos});
  }
  std::ostringstream warnings;
  GradeBookCompanion companion(dir.path(), "qvdata import", app::GradeResults::ApplyRule, warnings);
  RefuseAdds refuse;
  companion.saver().history().Block().callback = &refuse;
  const std::vector<Replacement> none;
  Batch batch{&book, &rows, nullptr, nullptr, &none, &companion};
  ASSERT_TRUE(WriteAll({batch}, "importing", &error)) << error;
  EXPECT_EQ(refuse.refused, 1);
  const std::string warned = warnings.str();
  EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), 1) << warned;
  EXPECT_THAT(warned, HasSubstr(dir / "QVHISTORIA.KRL"));
  int written = 0;
  rt::SetFile(book);
  while (rt::Next(book) == 0) {
    ++written;
    EXPECT_EQ(app::GradeBookRecord(book.record).status(), "RECUPERA");  // no OLE grades
  }
  EXPECT_EQ(written, 3);
  companion.saver().history().Block().callback = nullptr;
}

TEST_F(HistoryTest, AFailedImportLeavesNoHistoryFileBehind) {
  ASSERT_EQ(Import("--gradebook", "NRO_REGISTRO,COD_MATERIA,NRO_LEGAJO\n7,10,1\n5,11,2\n").status, kExitOk);
  std::filesystem::remove(dir_ + "/QVHISTORIA.KRL");
  const auto before = Snapshot(dir_);
  // The grade book refuses the row at write time: the update gives it the
  // unique registration number of another filed row.
  Result r = Import("--gradebook", "NRO_REGISTRO,COD_MATERIA,NRO_LEGAJO,ETAPA1\n5,10,1,8\n", true);
  ASSERT_EQ(r.status, kExitFailed) << r.out;
  EXPECT_THAT(r.err, HasSubstr("refused"));
  EXPECT_EQ(Snapshot(dir_), before);
}

// Two qvdata processes importing grades into one folder at the same time,
// with no history there yet: both histories are kept, and each row's is an
// unbroken chain.
TEST_F(HistoryTest, TwoImportsAtOnceKeepBothHistories) {
  ASSERT_EQ(Import("--gradebook", "COD_MATERIA,NRO_LEGAJO\n10,1\n10,2\n").status, kExitOk);
  std::filesystem::remove(dir_ + "/QVHISTORIA.KRL");
  constexpr int kImports = 8;
  auto importer = [&](int student) {
    return [&, student](kestrel::testing::ChildProcess& self) {
      ScratchDir own;  // each process its own CSV files
      self.Signal();
      if (!self.Await()) return 10;
      for (int n = 1; n <= kImports; ++n) {
        const std::string csv = "COD_MATERIA,NRO_LEGAJO,ETAPA1\n10," + std::to_string(student) + "," +
                                std::to_string(student) + "." + std::to_string(n) + "\n";
        Result r = RunTool({"import", dir_, "--gradebook", own.Write("g.csv", csv), "--update"});
        if (r.status != kExitOk) return 20;
      }
      return 0;
    };
  };
  kestrel::testing::ChildProcess a(importer(1)), b(importer(2));
  ASSERT_TRUE(a.Await() && b.Await());
  a.Signal();
  b.Signal();
  ASSERT_EQ(a.Join(), 0);
  ASSERT_EQ(b.Join(), 0);
  for (int student : {1, 2}) {
    const auto lines = Listed({"--legajo", std::to_string(student)});
    ASSERT_EQ(lines.size(), size_t{kImports + 1});
    for (int n = 1; n <= kImports; ++n) {
      const std::string was = n == 1 ? "0.00" : std::to_string(student) + "." + std::to_string(n - 1) + "0";
      EXPECT_THAT(lines[n], HasSubstr(",ETAPA1," + was + "," + std::to_string(student) + "." +
                                      std::to_string(n) + "0,"));
    }
  }
}

}  // namespace
}  // namespace qvdata
