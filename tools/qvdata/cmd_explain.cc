// qvdata explain DIR --subject N [--legajo L] [--json]
//
// For every grade-book row of a subject (or one student's): the stored
// "Prom. OLE", final grade and status, what the grade rule gives now, and
// why, in the words a teacher reads. Rows whose stored results differ from
// the rule (saved before a rule change, or written by another program) are
// flagged.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gradebook/grade_book_record.h"
#include "app/graderules/grade_explanation.h"
#include "runtime/core/windows1252.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/grade_rows.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

struct ExplainOptions {
  std::string dir;
  int32_t subject = 0;
  std::optional<int32_t> student;
  bool json = false;
};

// The results as stored, and as the rule gives them.
struct Results {
  rt::Decimal ole_average, final_grade;
  std::string status;
};

std::vector<std::string> Differences(const Results& stored, const Results& rule) {
  std::vector<std::string> fields;
  // Bytes that are no number differ from every result.
  auto same = [](const rt::Decimal& a, const rt::Decimal& b) { return a.IsValid() && a == b; };
  if (!same(stored.ole_average, rule.ole_average)) fields.push_back("ETAPA11");
  if (!same(stored.final_grade, rule.final_grade)) fields.push_back("FINAL");
  if (stored.status != rule.status) fields.push_back("ETADO");
  return fields;
}

std::string ResultsText(const Results& r) {
  return "Prom. OLE " + app::GradeText(r.ole_average) + "  FINAL " + app::GradeText(r.final_grade) + "  " +
         (r.status.empty() ? "(sin estado)" : r.status);
}

std::string JsonNumber(const rt::Decimal& d) { return d.IsValid() ? d.ToString(2) : "null"; }

std::string JsonResults(const Results& r) {
  return "{\"ETAPA11\":" + JsonNumber(r.ole_average) + ",\"FINAL\":" + JsonNumber(r.final_grade) +
         ",\"ETADO\":" + JsonString(r.status) + "}";
}

std::string JsonMention(const app::GradeMention& m) {
  return "{\"field\":" + JsonString(m.field) + ",\"header\":" + JsonString(m.header) +
         ",\"value\":" + JsonNumber(m.value) + "}";
}

std::string JsonMentions(const std::vector<app::GradeMention>& list) {
  std::string s = "[";
  for (size_t i = 0; i < list.size(); ++i) s += (i ? "," : "") + JsonMention(list[i]);
  return s + "]";
}

std::string JsonStep(const app::GradeStep& s) {
  std::string j = "{\"decision\":" + JsonString(app::GradeDecisionName(s.decision)) +
                  ",\"text\":" + JsonString(app::GradeStepText(s));
  if (s.grade) j += ",\"grade\":" + JsonMention(*s.grade);
  if (!s.missing.empty()) j += ",\"missing\":" + JsonMentions(s.missing);
  if (!s.counted.empty()) {
    j += ",\"counted\":" + JsonMentions(s.counted) + ",\"quotient\":" + JsonNumber(s.quotient) +
         ",\"average\":" + JsonNumber(s.average);
  }
  return j + ",\"FINAL\":" + JsonNumber(s.final_grade) + ",\"ETADO\":" + JsonString(s.status) + "}";
}

int Explain(const ExplainOptions& o, std::ostream& out, std::ostream& err) {
  School school(o.dir);
  std::string error;
  if (!school.Open("QVLIBRETA", false, &error)) {
    err << "qvdata explain: " << error << "\n";
    return kExitFailed;
  }
  rt::FileControlBlock& book = *school.Block("QVLIBRETA");
  size_t rows = 0, differing = 0, ungraded = 0;
  const bool ok = ForEachGradeBookRow(book, o.subject, o.student, [&] {
    app::GradeBookRecord record(book.record);
    const app::GradeExplanation e = app::ExplainGradeRules(record.Row());
    const Results stored{record.ole_average(), record.final_grade(), record.status()};
    const Results rule{e.ole_average, e.final_grade, e.status};
    // A row nobody has graded yet (as enrolling leaves it) holds no result
    // at all; that is not a disagreement with the rule.
    const bool graded = !app::GradeFieldChanges({}, book.record).empty();
    const std::vector<std::string> differ = graded ? Differences(stored, rule) : std::vector<std::string>();
    ++rows;
    if (!differ.empty()) ++differing;
    if (!graded) ++ungraded;
    const std::string name = rt::windows1252ToUtf8(record.name());
    if (o.json) {
      out << "{\"COD_MATERIA\":" << record.subject() << ",\"NRO_LEGAJO\":" << record.student()
          << ",\"ALUMNO\":" << JsonString(name) << ",\"stored\":" << JsonResults(stored)
          << ",\"computed\":" << JsonResults(rule) << ",\"graded\":" << (graded ? "true" : "false")
          << ",\"differs\":" << (differ.empty() ? "false" : "true")
          << ",\"explanation\":" << JsonString(app::GradeExplanationText(e)) << ",\"steps\":[";
      for (size_t i = 0; i < e.steps.size(); ++i) out << (i ? "," : "") << JsonStep(e.steps[i]);
      out << "]}\n";
      return;
    }
    out << record.student() << "  " << name;
    if (!graded) out << "  (not graded yet)";
    if (!differ.empty()) {
      out << "  << differs from the rule:";
      for (const std::string& f : differ) out << ' ' << f;
    }
    out << "\n  stored:   " << ResultsText(stored) << "\n  the rule: " << ResultsText(rule)
        << "\n  why:      " << app::GradeExplanationText(e) << "\n";
  }, &error);
  if (!ok) {
    err << "qvdata explain: " << error << "\n";
    return kExitFailed;
  }
  if (rows == 0) {
    err << "qvdata explain: no grade-book row of subject " << o.subject;
    if (o.student) err << " and student " << *o.student;
    err << " in " << school.PathOf("QVLIBRETA") << "\n";
    return kExitFailed;
  }
  if (!o.json) {
    out << rows << (rows == 1 ? " row" : " rows") << ", " << differing
        << (differing == 1 ? " differs" : " differ") << " from the rule";
    if (ungraded) out << ", " << ungraded << " not graded yet";
    out << "\n";
  }
  return kExitOk;
}

}  // namespace

Runner SetupExplain(CLI::App& command) {
  auto o = std::make_shared<ExplainOptions>();
  command.add_option("DIR", o->dir, "folder of the school")->required();
  command.add_option("--subject", o->subject, "the subject's code (QVL:COD_MATERIA)")->required();
  command.add_option_function<int32_t>(
      "--legajo", [o](int32_t legajo) { o->student = legajo; }, "only this student (QVL:NRO_LEGAJO)");
  command.add_flag("--json", o->json, "one JSON object per row, with the rule's steps");
  return [o](std::ostream& out, std::ostream& err) { return Explain(*o, out, err); };
}

}  // namespace qvdata
