#include "tools/qvdata/demo_school.h"

#include <algorithm>
#include <random>
#include <set>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_book_record.h"
#include "runtime/core/file_field.h"
#include "runtime/core/std_date.h"
#include "tools/qvdata/by_label.h"

namespace qvdata {

namespace {

// Texts are in the files' character set (Windows-1252).
const char* const kSurnames[] = {
    "GONZ\xC1LEZ", "RODR\xCDGUEZ", "G\xD3MEZ", "FERN\xC1NDEZ", "L\xD3PEZ", "D\xCD" "AZ", "MART\xCDNEZ",
    "P\xC9REZ", "GARC\xCD" "A", "S\xC1NCHEZ", "ROMERO", "SOSA", "ALVAREZ", "TORRES", "RU\xCDZ", "RAM\xCDREZ",
    "FLORES", "ACOSTA", "BEN\xCDTEZ", "MEDINA", "SU\xC1REZ", "HERRERA", "AGUIRRE", "PEREYRA", "GUTI\xC9RREZ",
    "GIM\xC9NEZ", "MOLINA", "SILVA", "CASTRO", "ROJAS", "ORTIZ", "N\xDA\xD1" "EZ", "LUNA", "JU\xC1REZ",
    "CABRERA", "R\xCDOS", "FERREYRA", "GODOY", "MORALES", "DOM\xCDNGUEZ",
};
const char* const kGirls[] = {
    "Martina", "Sof\xED" "a", "Valentina", "Catalina", "Emilia", "Isabella", "Julieta", "Luc\xED" "a",
    "Camila", "Milagros", "Agustina", "Florencia", "Roc\xED" "o", "Bel\xE9n", "Micaela", "Ludmila",
};
const char* const kBoys[] = {
    "Mateo", "Santiago", "Benjam\xEDn", "Thiago", "Joaqu\xEDn", "Lautaro", "Tom\xE1s", "Facundo",
    "Agust\xEDn", "Nicol\xE1s", "Mat\xED" "as", "Franco", "Juan Ignacio", "Bautista", "Ezequiel", "Dami\xE1n",
};
const char* const kTeachers[] = {
    "BERTOLDI, Susana",   "CAMPOS, Ricardo",   "D'ANGELO, Marta",   "ESP\xD3SITO, Claudio",
    "FAR\xCD" "AS, Graciela", "IBARRA, Norberto",  "LEDESMA, Patricia", "MANSILLA, Hugo",
    "NAVARRO, Silvia",    "OLIVERA, Gustavo",  "PAZ, Adriana",      "QUIROGA, Marcelo",
    "RIVERO, Liliana",    "SALINAS, Daniel",   "VEGA, M\xF3nica",    "ZALAZAR, Fabi\xE1n",
};
// Subjects of every course, in order; "science" differs in the upper years.
const char* const kSubjects[] = {
    "MATEM\xC1TICA", "LENGUA Y LITERATURA", "HISTORIA", "GEOGRAF\xCD" "A",
    "BIOLOG\xCD" "A", "F\xCDSICO-QU\xCDMICA", "INGL\xC9S", "EDUCACI\xD3N F\xCDSICA",
};
const char* const kContents[] = {
    "N\xFAmeros racionales: operaciones y problemas",
    "Comprensi\xF3n lectora de textos expositivos",
    "Procesos hist\xF3ricos y fuentes",
    "El espacio geogr\xE1" "fico argentino",
    "La c\xE9lula y los seres vivos",
    "Materia y energ\xED" "a",
    "Present simple and continuous",
    "Juegos deportivos y trabajo en equipo",
};

template <size_t N>
const char* Pick(std::mt19937& rng, const char* const (&list)[N]) {
  return list[rng() % N];
}

// A grade from 2 to 10 in half points, leaning towards a pass.
rt::Decimal Grade(std::mt19937& rng) {
  const int halves = 4 + static_cast<int>(rng() % 9) + static_cast<int>(rng() % 9);  // 4..20
  return rt::Decimal::Divide(halves, 2, 2);
}

// The follow-up record of a content for one student, as the follow-up
// synchronisation of the program creates it: the student's file number and
// name, the content's subject, course, texts and teacher, the low 16 bits of
// the content's number as order number and the number itself as left-aligned
// text in QVG:INGRESO, the teacher's name cut to 20 characters as operator,
// and the three marks blank.
void AddFollowUp(rt::FileControlBlock& content, int32_t legajo, const std::string& name, int32_t number,
                 rt::FileControlBlock& f) {
  const int64_t content_number = IntOf(content, "QVAP:NRO_REGISTRO");
  const std::string teacher = TextOf(content, "QVAP:DOCENTE");
  f.clearBuffers();
  PutInt(f, "QVG:NRO_REGISTRO", number);
  PutInt(f, "QVG:NRO_LEGAJO", legajo);
  PutInt(f, "QVG:COD_MATERIA", IntOf(content, "QVAP:COD_MATERIA"));
  PutInt(f, "QVG:NRO_ORDEN", static_cast<int16_t>(static_cast<uint16_t>(content_number & 0xFFFF)));
  PutText(f, "QVG:ALUMNO", name);
  PutText(f, "QVG:MATERIAS", TextOf(content, "QVAP:MATERIAS"));
  PutText(f, "QVG:CONTENIDO_PRIORIZADO", TextOf(content, "QVAP:CONTENIDO_PRIORIZADO"));
  rt::setMemo(f, f.decl().findMemo("QVG:APRENDIZAJE_TRABAJO"),
              rt::getMemo(content, content.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO")).value_or(""));
  PutInt(f, "QVG:COD_CURSO", IntOf(content, "QVAP:COD_CURSO"));
  PutText(f, "QVG:INGRESO", std::to_string(content_number));
  PutText(f, "QVG:OPERADOR", teacher.substr(0, 20));
  PutText(f, "QVG:DOCENTE", teacher);
  PutInt(f, "QVG:COD_DOCENTE", IntOf(content, "QVAP:COD_DOCENTE"));
}

// Marks typed by the teacher: achieved or pending, and a provisional valuation.
void MarkFollowUp(rt::FileControlBlock& f, std::mt19937& rng) {
  const bool achieved = rng() % 4 != 0;
  PutText(f, achieved ? "QVG:LOGRADO" : "QVG:PENDIENTE", "X");
  PutText(f, "QVG:VALORACION_FINAL", std::to_string(achieved ? 7 + rng() % 4 : 4 + rng() % 3));
}

std::string Ascii(const std::string& s) {
  std::string out;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80) {
      if (c != ' ' && c != ',') out.push_back(static_cast<char>(std::tolower(u)));
      continue;
    }
    static const char kFold[] = "aaaaaaaceeeeiiiidnooooo/ouuuuyby";  // 0xE0..0xFF
    const unsigned lower = u >= 0xC0 && u <= 0xDE ? u + 0x20 : u;
    if (lower >= 0xE0) out.push_back(kFold[lower - 0xE0]);
  }
  return out;
}

}  // namespace

DemoSchool MakeDemoSchool(uint32_t seed, int courses_per_year) {
  if (courses_per_year < 1) courses_per_year = 1;
  std::mt19937 rng(seed);
  // The follow-up marks draw from their own sequence, so the rest of the
  // school is the same as without them.
  std::mt19937 marks(seed ^ 0x6D61726Bu);
  DemoSchool school;
  rt::FileControlBlock student(app::QVALUAPDecl()), subject(app::QVMATERIASDecl()),
      row(app::QVLIBRETADecl()), content(app::QVAPRENDEDecl()), followup(app::QVSEGUIRDecl());

  for (size_t t = 0; t < std::size(kTeachers); ++t) {
    DemoTeacher teacher;
    teacher.name = kTeachers[t];
    teacher.dni = 16000000 + static_cast<int32_t>(t) * 1000003 + static_cast<int32_t>(rng() % 900000);
    teacher.birth_date = rt::MakeStdDate(1960 + static_cast<int>(rng() % 30), 1 + static_cast<int>(rng() % 12),
                                         1 + static_cast<int>(rng() % 28));
    school.teachers.push_back(teacher);
  }

  std::set<int32_t> dnis;
  int32_t legajo = 1000, subject_number = 0, row_number = 0, content_number = 0, followup_number = 0;
  for (int year = 1; year <= 5; ++year) {
    for (int division = 0; division < courses_per_year; ++division) {
      ++school.courses;
      const int32_t course = year * 100 + division + 1;
      const std::string division_name(1, static_cast<char>('A' + division % 26));
      // Students of the course.
      struct Enrolled {
        int32_t legajo;
        std::string name, sex;
      };
      std::vector<Enrolled> enrolled;
      std::vector<const Enrolled*> by_name;  // filled once the course is complete
      const int size = 28 + static_cast<int>(rng() % 5);
      for (int s = 0; s < size; ++s) {
        const bool girl = rng() % 2 == 0;
        const std::string surname = Pick(rng, kSurnames);
        const std::string given = girl ? Pick(rng, kGirls) : Pick(rng, kBoys);
        int32_t dni = 0;
        do {
          dni = 44000000 + (6 - year) * 1000000 + static_cast<int32_t>(rng() % 1000000);
        } while (!dnis.insert(dni).second);
        student.clearBuffers();
        PutInt(student, "QVA:LEGAJO", ++legajo);
        PutText(student, "QVA:APELLIDO_NOMBRE", surname + ", " + given);
        PutInt(student, "QVA:DNI", dni);
        PutText(student, "QVA:SEXO", girl ? "FEMENINO" : "MASCULINO");
        PutText(student, "QVA:E_MAIL", Ascii(given) + "." + Ascii(surname) + std::to_string(legajo) + "@escuela.edu.ar");
        PutInt(student, "QVA:COD_CURSO", course);
        school.students.push_back(RecordImage{student.record, student.memos});
        enrolled.push_back({legajo, TextOf(student, "QVA:APELLIDO_NOMBRE"), TextOf(student, "QVA:SEXO")});
      }
      for (const Enrolled& e : enrolled) by_name.push_back(&e);
      std::stable_sort(by_name.begin(), by_name.end(),
                       [](const Enrolled* a, const Enrolled* b) { return a->name < b->name; });
      // Subjects of the course, each with its teacher and grade book.
      for (size_t k = 0; k < std::size(kSubjects); ++k) {
        const size_t t = (k * 2 + static_cast<size_t>(year > 3) + static_cast<size_t>(division % 2) * 5) %
                         school.teachers.size();
        DemoTeacher& teacher = school.teachers[t];
        subject.clearBuffers();
        PutInt(subject, "QVM:NRO_REGISTRO", ++subject_number);
        PutInt(subject, "QVM:NRO_ORDEN", static_cast<int64_t>(k + 1));
        PutText(subject, "QVM:MATERIA", kSubjects[k]);
        PutText(subject, "QVM:TIPO", "ANUAL");
        PutInt(subject, "QVM:COD_PROFESOR", static_cast<int64_t>(t + 1));
        PutText(subject, "QVM:PROFESOR", teacher.name);
        PutInt(subject, "QVM:COD_CURSO", course);
        PutText(subject, "QVM:SEXO", "MIXTO");
        PutDecimal(subject, "QVM:HORAS", 3 + static_cast<int>(rng() % 4));
        PutText(subject, "QVM:CICLO", year <= 2 ? "B\xC1SICO" : "ORIENTADO");
        PutInt(subject, "QVM:CURSO", year);
        PutText(subject, "QVM:DIVISION", division_name);
        PutText(subject, "QVM:ESPECIALIDAD", "BACHILLER");
        PutText(subject, "QVM:TURNO", division % 2 ? "TARDE" : "MA\xD1" "ANA");
        PutInt(subject, "QVM:DNI_DOCENTE", teacher.dni);
        PutDate(subject, "QVM:QVP_FECHANAC", teacher.birth_date);
        school.subjects.push_back(RecordImage{subject.record, subject.memos});
        teacher.subjects.push_back(std::string(kSubjects[k]) + " " + std::to_string(year) + "\xBA " + division_name);

        // The first stage is graded in about half the subjects.
        const bool graded = rng() % 2 == 0;
        for (const Enrolled& e : enrolled) {
          row.clearBuffers();
          PutInt(row, "QVL:NRO_REGISTRO", ++row_number);
          PutInt(row, "QVL:NRO_LEGAJO", e.legajo);
          PutInt(row, "QVL:NRO_ORDEN", static_cast<int64_t>(k + 1));
          PutText(row, "QVL:SEXO", e.sex);
          PutText(row, "QVL:ALUMNO", e.name);
          PutInt(row, "QVL:COD_MATERIA", subject_number);
          PutText(row, "QVL:MATERIAS", kSubjects[k]);
          PutInt(row, "QVL:COD_CURSO", course);
          if (graded) {
            PutDecimal(row, "QVL:ETAPA1", Grade(rng));
            PutDecimal(row, "QVL:ETAPA2", Grade(rng));
            if (rng() % 3) PutDecimal(row, "QVL:ETAPA3", Grade(rng));
            app::ApplyGradeRulesToRecord(row.record);  // as the program saves a graded row
          }
          school.gradebook.push_back(RecordImage{row.record, row.memos});
        }

        // Two prioritized contents in every subject, each with its
        // follow-up record for every student of the course.
        for (int c = 1; c <= 2; ++c) {
          content.clearBuffers();
          PutInt(content, "QVAP:NRO_REGISTRO", ++content_number);
          PutInt(content, "QVAP:COD_MATERIA", subject_number);
          PutInt(content, "QVAP:COD_CURSO", course);
          PutInt(content, "QVAP:COD_DOCENTE", static_cast<int64_t>(t + 1));
          PutInt(content, "QVAP:NRO_ORDEN", c);
          PutText(content, "QVAP:MATERIAS", kSubjects[k]);
          PutText(content, "QVAP:DOCENTE", teacher.name);
          PutText(content, "QVAP:CONTENIDO_PRIORIZADO",
                  std::string(kContents[k]) + (c == 1 ? "" : " (segunda parte)"));
          rt::setMemo(content, content.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO"),
                      "Trabajo pr\xE1" "ctico " + std::to_string(c) + ": " + kContents[k] + ".");
          school.contents.push_back(RecordImage{content.record, content.memos});
          for (const Enrolled* e : by_name) {
            AddFollowUp(content, e->legajo, e->name, ++followup_number, followup);
            // The teacher has marked the first content in the graded subjects.
            if (graded && c == 1) MarkFollowUp(followup, marks);
            school.followup.push_back(RecordImage{followup.record, followup.memos});
          }
        }
      }
    }
  }
  return school;
}

}  // namespace qvdata
