// qvdata history DIR --subject N [--legajo L] [--csv]
//
// The recorded changes of a subject's grades (or one student's), oldest
// first: when, which field from what to what, the final grade and status
// the rule gave after the change, and who made it.
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gradebook/grade_book_record.h"
#include "app/gradebook/grade_history.h"
#include "app/graderules/grade_explanation.h"
#include "runtime/core/std_time.h"
#include "runtime/core/windows1252.h"
#include "tools/qvdata/by_label.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/csv.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/grade_rows.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

struct HistoryOptions {
  std::string dir;
  int32_t subject = 0;
  std::optional<int32_t> student;
  bool csv = false;
};

std::string TimeText(int32_t std_time) {
  rt::ClockTime t;
  if (!rt::SplitStdTime(std_time, &t)) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string Unprefixed(const std::string& label) {
  const size_t colon = label.find(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

// A value as a teacher reads it: grades with a decimal comma, "-" for none.
std::string Shown(const std::string& value) {
  if (value.empty()) return "-";
  if (auto d = rt::Decimal::Parse(value)) return app::GradeText(*d);
  return rt::windows1252ToUtf8(value);
}

std::string Author(const app::GradeHistoryEntry& e) {
  if (!e.program.empty()) return rt::windows1252ToUtf8(e.program);
  return "DNI " + std::to_string(e.dni);
}

// The students' names from the grade book, when there is one to read.
std::map<int32_t, std::string> StudentNames(School& school, const HistoryOptions& o) {
  std::map<int32_t, std::string> names;
  std::string error;
  if (!school.Exists("QVLIBRETA") || !school.Open("QVLIBRETA", false, &error)) return names;
  rt::FileControlBlock& book = *school.Block("QVLIBRETA");
  ForEachGradeBookRow(book, o.subject, o.student, [&] {
    names[static_cast<int32_t>(IntOf(book, "QVL:NRO_LEGAJO"))] = rt::windows1252ToUtf8(TextOf(book, "QVL:ALUMNO"));
  }, &error);
  return names;
}

int History(const HistoryOptions& o, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_directory(o.dir, ec)) {
    err << "qvdata history: " << o.dir << ": no such folder\n";
    return kExitFailed;
  }
  std::vector<app::GradeHistoryEntry> entries;
  app::GradeHistory history(o.dir);
  if (history.Exists()) {
    int32_t rc = history.OpenForReading();
    if (rc == 0) rc = history.Read(o.subject, o.student.value_or(0), &entries);
    if (rc != 0) {
      err << "qvdata history: " << FileFailure(history.Block(), rc) << "\n";
      return kExitFailed;
    }
  }
  School school(o.dir);
  const std::map<int32_t, std::string> names = StudentNames(school, o);
  auto name_of = [&names](int32_t student) {
    auto it = names.find(student);
    return it == names.end() ? std::string() : it->second;
  };
  if (o.csv) {
    out << CsvLine({"FECHA", "HORA", "COD_MATERIA", "NRO_LEGAJO", "ALUMNO", "CAMPO", "ANTERIOR", "NUEVO", "FINAL",
                    "ETADO", "DNI_DOCENTE", "PROGRAMA"});
    for (const app::GradeHistoryEntry& e : entries) {
      out << CsvLine({FormatDate(e.date), TimeText(e.time), std::to_string(e.subject), std::to_string(e.student),
                      name_of(e.student), Unprefixed(e.field), rt::windows1252ToUtf8(e.before),
                      rt::windows1252ToUtf8(e.after),
                      e.final_grade.IsValid() ? e.final_grade.ToString(2) : "", rt::windows1252ToUtf8(e.status),
                      std::to_string(e.dni), rt::windows1252ToUtf8(e.program)});
    }
    return kExitOk;
  }
  if (entries.empty()) {
    out << "no grade changes recorded for subject " << o.subject;
    if (o.student) out << " and student " << *o.student;
    out << "\n";
    return kExitOk;
  }
  for (const app::GradeHistoryEntry& e : entries) {
    out << FormatDate(e.date) << ' ' << TimeText(e.time) << "  " << e.student;
    if (const std::string name = name_of(e.student); !name.empty()) out << ' ' << name;
    out << "  " << app::GradeFieldHeader(e.field) << ": " << Shown(e.before) << " -> " << Shown(e.after)
        << "  (FINAL " << app::GradeText(e.final_grade) << ", "
        << (e.status.empty() ? "-" : rt::windows1252ToUtf8(e.status))
        << ")  " << Author(e) << "\n";
  }
  return kExitOk;
}

}  // namespace

Runner SetupHistory(CLI::App& command) {
  auto o = std::make_shared<HistoryOptions>();
  command.add_option("DIR", o->dir, "folder of the school")->required();
  command.add_option("--subject", o->subject, "the subject's code (QVL:COD_MATERIA)")->required();
  command.add_option_function<int32_t>(
      "--legajo", [o](int32_t legajo) { o->student = legajo; }, "only this student (QVL:NRO_LEGAJO)");
  command.add_flag("--csv", o->csv, "CSV with a header row instead of lines for people");
  return [o](std::ostream& out, std::ostream& err) { return History(*o, out, err); };
}

}  // namespace qvdata
