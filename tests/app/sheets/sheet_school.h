// A small school for the sheets, written once per test program into a
// scratch folder through `qvdata import` (and QVSEGUIR directly):
//
//   subject 7 "HISTORIA" (SUPERIOR 3 B, TARDE, QUIROGA, Elena): five
//     students, added out of name order, with fractional grades, a
//     "Pro. OLE" (ETAPA11) of 0 for two of them; follow-up records: ten for
//     ACOSTA, two for BRIZUELA, one for subject 8 that must not show
//   subject 8 "GEOGRAFÍA": forty students, grades 1.00 to 10.00
//   subject 9 "MÚSICA": no grade-book rows and no follow-up records
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "tools/qvdata/commands.h"

namespace app::sheets::testing {

struct Student {
  int32_t legajo;
  std::string name;
  std::array<const char*, 12> grades;  // ETAPA1..ETAPA12 as typed
  const char* final_grade;
};

// Subject 7, in the order the rows are added (not name order).
inline const std::vector<Student>& HistoryStudents() {
  static const std::vector<Student> s = {
      {701, "DOMÍNGUEZ, Ana", {"7.5", "8", "6.25", "9", "8", "7", "7", "8", "9.5", "8", "0", "7"}, "7.75"},
      {702, "ACOSTA, Bruno", {"10", "9", "9", "10", "9", "8", "9", "9", "10", "9", "9.5", "0"}, "9.25"},
      {703, "CÁCERES, Inés", {"4", "5", "6", "5", "5", "6", "6", "5", "5", "5", "5.5", "7"}, "7"},
      {704, "BRIZUELA, Luz", {"8", "8", "8", "8", "8", "8", "8", "8", "8", "8", "0", "0"}, "8"},
      {705, "ESCOBAR, Tomás", {"6", "6", "7", "7", "6", "7", "7", "6", "6", "7", "6.5", "7.5"}, "7.5"},
  };
  return s;
}

// Name order as the sheet prints it (the key compares Windows-1252 bytes).
inline std::vector<std::string> HistoryNamesInOrder() {
  return {"ACOSTA, Bruno", "BRIZUELA, Luz", "CÁCERES, Inés", "DOMÍNGUEZ, Ana", "ESCOBAR, Tomás"};
}

inline std::string GeographyName(int i) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "ALUMNO %02d, Nombre", i);
  return buf;
}

class SheetSchool : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    kestrel::RegisterKestrelDriver();
    char tmpl[] = "/tmp/qvsheets.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    Write("materias.csv",
          "NRO_REGISTRO,MATERIA,PROFESOR,COD_PROFESOR,COD_CURSO,CICLO,CURSO,DIVISION,TURNO\n"
          "7,HISTORIA,\"QUIROGA, Elena\",5,301,SUPERIOR,3,B,TARDE\n"
          "8,GEOGRAFÍA,\"PAZ, Julio\",6,302,SUPERIOR,4,A,MAÑANA\n"
          "9,MÚSICA,\"PAZ, Julio\",6,302,SUPERIOR,4,A,MAÑANA\n");
    std::ostringstream students, book;
    students << "LEGAJO,APELLIDO_NOMBRE,DNI,SEXO,E_MAIL,COD_CURSO\n";
    book << "COD_MATERIA,NRO_LEGAJO,ALUMNO,MATERIAS";
    for (int k = 1; k <= 12; ++k) book << ",ETAPA" << k;
    book << ",FINAL\n";
    for (const Student& s : HistoryStudents()) {
      students << s.legajo << ",\"" << s.name << "\"," << 40000000 + s.legajo << ",F,,301\n";
      book << "7," << s.legajo << ",\"" << s.name << "\",HISTORIA";
      for (const char* g : s.grades) book << "," << g;
      book << "," << s.final_grade << "\n";
    }
    for (int i = 40; i >= 1; --i) {
      students << 800 + i << ",\"" << GeographyName(i) << "\"," << 41000000 + i << ",M,,302\n";
      book << "8," << 800 + i << ",\"" << GeographyName(i) << "\",GEOGRAFÍA";
      for (int k = 1; k <= 12; ++k) book << "," << (i % 10) + 1;
      book << "," << (i % 10) + 1 << "\n";
    }
    Write("alumnos.csv", students.str());
    Write("libreta.csv", book.str());
    std::ostringstream out, err;
    // --as-is: the sheets print the stored "Prom. OLE" and final grades
    // written above, not the rule's.
    ASSERT_EQ(qvdata::RunQvdata({"import", dir_, "--subjects", dir_ + "/materias.csv", "--students",
                                 dir_ + "/alumnos.csv", "--gradebook", dir_ + "/libreta.csv", "--as-is"},
                                out, err),
              0)
        << err.str();
    WriteFollowUp();
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

 protected:
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + "/" + name) << text;
  }

  // QVSEGUIR records, numbered by hand; text in Windows-1252.
  static void WriteFollowUp() {
    rt::FileControlBlock f(QVSEGUIRDecl());
    f.name = dir_ + "/QVSEGUIR.KRL";
    ASSERT_EQ(rt::Create(f), 0);
    int32_t number = 0;
    auto add = [&](int32_t subject, int32_t legajo, const std::string& student, const std::string& content,
                   const std::string& learning, const char* logrado) {
      f.clearBuffers();
      auto set = [&](const char* label, const std::string& v) { rt::setText(f, f.decl().findField(label), v); };
      rt::setInteger(f, f.decl().findField("QVG:NRO_REGISTRO"), ++number);
      rt::setInteger(f, f.decl().findField("QVG:NRO_LEGAJO"), legajo);
      rt::setInteger(f, f.decl().findField("QVG:COD_MATERIA"), subject);
      set("QVG:ALUMNO", student);
      set("QVG:MATERIAS", subject == 7 ? "HISTORIA" : "GEOGRAF\xCD" "A");
      set("QVG:CONTENIDO_PRIORIZADO", content);
      set("QVG:LOGRADO", logrado);
      rt::setMemo(f, f.decl().findMemo("QVG:APRENDIZAJE_TRABAJO"), learning);
      ASSERT_EQ(rt::Add(f), 0);
    };
    // Added interleaved, so that the sheet's order comes from its key.
    for (int c = 1; c <= 10; ++c) {
      add(7, 702, "ACOSTA, Bruno", "Contenido " + std::to_string(c), "Aprendizaje del contenido " + std::to_string(c),
          c % 2 ? "SI" : "");
      if (c <= 2) add(7, 704, "BRIZUELA, Luz", "Contenido " + std::to_string(c), "Trabajo " + std::to_string(c), "NO");
    }
    add(8, 801, GeographyName(1), "Contenido de otra materia", "No va en la planilla", "SI");
    rt::Close(f);
  }

  static inline std::string dir_;
};

}  // namespace app::sheets::testing
