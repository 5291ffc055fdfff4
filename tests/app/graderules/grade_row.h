// A grade-book row as a record holds it, for the grade rule's tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

#include "app/graderules/grade_rules.h"

namespace app {

inline std::string Pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

// A grade-book row as a record would hold it. The results start stale so that
// a rule that forgets to reset them shows.
struct Row {
  std::array<rt::Decimal, 13> etapa;  // [k] is QVL:ETAPAk; [0] unused
  rt::Decimal diciembre, marzo, final_grade;
  std::array<char, 10> ac{}, am{};
  std::array<char, 20> etado{};

  Row() {
    SetText(ac, "");
    SetText(am, "");
    SetText(etado, "ADEUDA");
    etapa[11] = 99;
    final_grade = 99;
  }

  template <std::size_t N>
  static void SetText(std::array<char, N>& field, const std::string& s) {
    for (std::size_t i = 0; i < N; ++i) field[i] = i < s.size() ? s[i] : ' ';
  }

  // Grades as "E4=8 E9=9 E1=7 DIC=6 MAR=7"; "bad" is a value that is not a number.
  void SetGrades(const std::string& spec) {
    std::istringstream in(spec);
    std::string item;
    while (in >> item) {
      const auto eq = item.find('=');
      const std::string name = item.substr(0, eq), text = item.substr(eq + 1);
      const rt::Decimal value =
          text == "bad" ? rt::Decimal::Invalid() : rt::Decimal::Parse(text).value();
      if (name == "DIC") {
        diciembre = value;
      } else if (name == "MAR") {
        marzo = value;
      } else {
        ASSERT_EQ(name[0], 'E') << item;
        etapa.at(std::stoi(name.substr(1))) = value;
      }
    }
  }

  GradeBookRow View() {
    return GradeBookRow{
        .QVL_ETAPA1 = etapa[1], .QVL_ETAPA2 = etapa[2], .QVL_ETAPA3 = etapa[3],
        .QVL_ETAPA4 = etapa[4], .QVL_ETAPA5 = etapa[5], .QVL_ETAPA6 = etapa[6],
        .QVL_ETAPA7 = etapa[7], .QVL_ETAPA8 = etapa[8], .QVL_ETAPA9 = etapa[9],
        .QVL_ETAPA10 = etapa[10], .QVL_ETAPA12 = etapa[12],
        .QVL_DICIEMBRE = diciembre, .QVL_MARZO = marzo,
        .QVL_AC = ac, .QVL_AM = am,
        .QVL_ETAPA11 = etapa[11], .QVL_FINAL = final_grade, .QVL_ETADO = etado};
  }

  std::string Status() const { return std::string(etado.data(), etado.size()); }
};

inline std::string Show(const rt::Decimal& d) { return d.IsValid() ? d.Normalized().ToString() : "invalid"; }

}  // namespace app
