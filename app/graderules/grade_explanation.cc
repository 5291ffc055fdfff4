#include "app/graderules/grade_explanation.h"

#include <array>
#include <utility>

#include "app/graderules/grade_arithmetic.h"

namespace app {

using namespace grades;

namespace {

struct Column {
  std::string_view field;
  std::string_view header;
  const rt::Decimal& (*value)(const GradeBookRow&);
};

// The groups in the order the rule walks them.
constexpr std::array<Column, 2> kOle = {{
    {"QVL:ETAPA4", "OLE 1", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA4; }},
    {"QVL:ETAPA9", "OLE 2", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA9; }},
}};
constexpr std::array<Column, 8> kEvaluations = {{
    {"QVL:ETAPA1", "Eval. 1", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA1; }},
    {"QVL:ETAPA2", "Eval. 2", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA2; }},
    {"QVL:ETAPA3", "Eval. 3", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA3; }},
    {"QVL:ETAPA5", "JIS 1", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA5; }},
    {"QVL:ETAPA6", "Eval. 4", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA6; }},
    {"QVL:ETAPA7", "Eval. 5", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA7; }},
    {"QVL:ETAPA8", "Eval. 6", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA8; }},
    {"QVL:ETAPA10", "JIS 2", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA10; }},
}};
constexpr Column kRecovery = {"QVL:ETAPA12", "Recupera", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_ETAPA12; }};
constexpr Column kDecember = {"QVL:DICIEMBRE", "DICIEMBRE", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_DICIEMBRE; }};
constexpr Column kMarch = {"QVL:MARZO", "MARZO", [](const GradeBookRow& r) -> const rt::Decimal& { return r.QVL_MARZO; }};

GradeMention Mention(const GradeBookRow& row, const Column& c) { return {c.field, c.header, c.value(row)}; }

// What one group of grades holds: the present ones, the absent ones and
// the first below the pass mark.
struct Group {
  std::vector<GradeMention> present, missing;
  std::optional<GradeMention> first_failing;
};

template <std::size_t N>
Group Survey(const GradeBookRow& row, const std::array<Column, N>& columns) {
  Group g;
  for (const Column& c : columns) {
    const GradeMention m = Mention(row, c);
    (Present(m.value) ? g.present : g.missing).push_back(m);
    if (Failing(m.value) && !g.first_failing) g.first_failing = m;
  }
  return g;
}

template <std::size_t N>
std::array<const rt::Decimal*, N> Values(const GradeBookRow& row, const std::array<Column, N>& columns) {
  std::array<const rt::Decimal*, N> values{};
  for (std::size_t i = 0; i < N; ++i) values[i] = &columns[i].value(row);
  return values;
}

class Recorder {
 public:
  explicit Recorder(GradeExplanation* e) : e_(e) {}

  GradeStep& Take(GradeDecision d) {
    GradeStep& s = e_->steps.emplace_back();
    s.decision = d;
    s.final_grade = e_->final_grade;
    s.status = e_->status;
    return s;
  }
  // The step changes the final grade and the status.
  GradeStep& Take(GradeDecision d, const rt::Decimal& final_grade, std::string_view status) {
    e_->final_grade = final_grade;
    e_->status = status;
    return Take(d);
  }

 private:
  GradeExplanation* e_;
};

void ExplainOle(const GradeBookRow& row, GradeExplanation* e, Recorder& r) {
  Group ole = Survey(row, kOle);
  if (!ole.first_failing && ole.present.size() == 2) {
    const auto values = Values(row, kOle);
    GradeStep& s = r.Take(GradeDecision::kOleAverage);
    s.quotient = Quotient(values, 2);
    s.average = Average(values, 2);
    s.counted = std::move(ole.present);
    e->ole_average = s.average;
  } else if (ole.first_failing) {
    r.Take(GradeDecision::kOleBelowPass).grade = ole.first_failing;
  } else {
    r.Take(GradeDecision::kOleIncomplete).missing = std::move(ole.missing);
  }
}

void ExplainFinal(const GradeBookRow& row, const GradeExplanation& e, Recorder& r) {
  Group eval = Survey(row, kEvaluations);
  if (!eval.first_failing && !eval.present.empty() && e.ole_average > 0) {
    const auto values = Values(row, kEvaluations);
    const auto count = static_cast<std::int16_t>(eval.present.size());
    const rt::Decimal average = Average(values, count);
    GradeStep& s = r.Take(GradeDecision::kRegularPass, average, kAprueba);
    s.quotient = Quotient(values, count);
    s.average = average;
    s.counted = std::move(eval.present);
    return;
  }
  const GradeDecision why = eval.first_failing   ? GradeDecision::kEvaluationBelowPass
                            : eval.present.empty() ? GradeDecision::kNoEvaluations
                                                   : GradeDecision::kNoOleAverage;
  r.Take(why, 0, kRecupera).grade = eval.first_failing;
}

// One examination stage: taken only from `from`; a pass gives the final
// grade, a fail or an absence moves on to `next`.
void ExplainExam(const GradeBookRow& row, std::span<const char> absent_mark, const Column& exam,
                 std::string_view from, std::string_view next, GradeDecision pass, GradeDecision fail,
                 GradeDecision absent, GradeDecision pending, GradeExplanation* e, Recorder& r) {
  if (e->status != from) return;
  const GradeMention m = Mention(row, exam);
  if (Passing(m.value)) {
    r.Take(pass, Field(m.value), kAprueba).grade = m;
  } else if (Failing(m.value)) {
    r.Take(fail, e->final_grade, next).grade = m;
  } else if (TextIs(absent_mark, kAusente)) {
    r.Take(absent, e->final_grade, next);
  } else {
    r.Take(pending);
  }
}

std::string Join(const std::vector<GradeMention>& grades) {
  std::string s;
  for (std::size_t i = 0; i < grades.size(); ++i) {
    if (i > 0) s += i + 1 == grades.size() ? " y " : ", ";
    s += grades[i].header;
  }
  return s;
}

std::string Below(const std::optional<GradeMention>& g) {
  return g ? std::string(g->header) + " = " + GradeText(g->value) + " está por debajo de 7" : std::string("?");
}

std::string AverageText(const GradeStep& s) {
  if (s.quotient == s.average) return {};
  return ", redondeado al medio punto desde " + GradeText(s.quotient);
}

}  // namespace

GradeExplanation ExplainGradeRules(const GradeBookRow& row) {
  GradeExplanation e;
  Recorder r(&e);
  ExplainOle(row, &e, r);
  ExplainFinal(row, e, r);

  const GradeMention recovery = Mention(row, kRecovery);
  if (Passing(recovery.value)) {
    r.Take(GradeDecision::kRecoveryPass, Field(recovery.value), kAprueba).grade = recovery;
  } else if (Failing(recovery.value)) {
    r.Take(GradeDecision::kRecoveryFail, 0, kDiciembre).grade = recovery;
  }

  ExplainExam(row, row.QVL_AC, kDecember, kDiciembre, kFebrero, GradeDecision::kDecemberPass,
              GradeDecision::kDecemberFail, GradeDecision::kDecemberAbsent, GradeDecision::kDecemberPending, &e, r);
  ExplainExam(row, row.QVL_AM, kMarch, kFebrero, kAdeuda, GradeDecision::kMarchPass, GradeDecision::kMarchFail,
              GradeDecision::kMarchAbsent, GradeDecision::kMarchPending, &e, r);
  return e;
}

std::string GradeText(const rt::Decimal& value) {
  if (!value.IsValid()) return "?";
  std::string s = value.ToString(2);
  for (char& c : s) {
    if (c == '.') c = ',';
  }
  return s;
}

std::string GradeStepText(const GradeStep& s) {
  const std::string final_grade = GradeText(s.final_grade);
  switch (s.decision) {
    case GradeDecision::kOleAverage:
      return "Prom. OLE = " + GradeText(s.average) + " (" + std::string(s.counted[0].header) + " = " +
             GradeText(s.counted[0].value) + ", " + std::string(s.counted[1].header) + " = " +
             GradeText(s.counted[1].value) + ")" + AverageText(s);
    case GradeDecision::kOleIncomplete:
      return std::string("sin Prom. OLE: ") + (s.missing.size() == 1 ? "falta " : "faltan ") + Join(s.missing);
    case GradeDecision::kOleBelowPass:
      return "sin Prom. OLE: " + Below(s.grade);
    case GradeDecision::kRegularPass: {
      const std::size_t n = s.counted.size();
      return "APRUEBA con " + final_grade + ": promedio de " + std::to_string(n) +
             (n == 1 ? " nota de evaluación (" : " notas de evaluación (") + Join(s.counted) + ")" + AverageText(s);
    }
    case GradeDecision::kEvaluationBelowPass:
      return "RECUPERA: " + Below(s.grade);
    case GradeDecision::kNoOleAverage:
      return "RECUPERA: falta el Prom. OLE";
    case GradeDecision::kNoEvaluations:
      return "RECUPERA: no hay notas de evaluación";
    case GradeDecision::kRecoveryPass:
      return "APRUEBA con " + final_grade + ": Recupera = " + GradeText(s.grade->value) + " llega a 7";
    case GradeDecision::kRecoveryFail:
      return "DICIEMBRE: " + Below(s.grade);
    case GradeDecision::kDecemberPass:
      return "APRUEBA con " + final_grade + " en diciembre";
    case GradeDecision::kDecemberFail:
      return "FEBRERO: diciembre = " + GradeText(s.grade->value) + " está por debajo de 7";
    case GradeDecision::kDecemberAbsent:
      return "FEBRERO: ausente en diciembre";
    case GradeDecision::kDecemberPending:
      return "DICIEMBRE: sin nota de diciembre todavía";
    case GradeDecision::kMarchPass:
      return "APRUEBA con " + final_grade + " en febrero/marzo";
    case GradeDecision::kMarchFail:
      return "ADEUDA: febrero/marzo = " + GradeText(s.grade->value) + " está por debajo de 7";
    case GradeDecision::kMarchAbsent:
      return "ADEUDA: ausente en febrero/marzo";
    case GradeDecision::kMarchPending:
      return "FEBRERO: sin nota de febrero/marzo todavía";
  }
  return {};
}

std::string GradeExplanationText(const GradeExplanation& explanation) {
  std::string text;
  for (const GradeStep& s : explanation.steps) {
    if (!text.empty()) text += "; ";
    text += GradeStepText(s);
  }
  return text;
}

std::string_view GradeDecisionName(GradeDecision decision) {
  switch (decision) {
    case GradeDecision::kOleAverage: return "OLE_AVERAGE";
    case GradeDecision::kOleIncomplete: return "OLE_INCOMPLETE";
    case GradeDecision::kOleBelowPass: return "OLE_BELOW_PASS";
    case GradeDecision::kRegularPass: return "REGULAR_PASS";
    case GradeDecision::kEvaluationBelowPass: return "EVALUATION_BELOW_PASS";
    case GradeDecision::kNoOleAverage: return "NO_OLE_AVERAGE";
    case GradeDecision::kNoEvaluations: return "NO_EVALUATIONS";
    case GradeDecision::kRecoveryPass: return "RECOVERY_PASS";
    case GradeDecision::kRecoveryFail: return "RECOVERY_FAIL";
    case GradeDecision::kDecemberPass: return "DECEMBER_PASS";
    case GradeDecision::kDecemberFail: return "DECEMBER_FAIL";
    case GradeDecision::kDecemberAbsent: return "DECEMBER_ABSENT";
    case GradeDecision::kDecemberPending: return "DECEMBER_PENDING";
    case GradeDecision::kMarchPass: return "MARCH_PASS";
    case GradeDecision::kMarchFail: return "MARCH_FAIL";
    case GradeDecision::kMarchAbsent: return "MARCH_ABSENT";
    case GradeDecision::kMarchPending: return "MARCH_PENDING";
  }
  return "?";
}

}  // namespace app
