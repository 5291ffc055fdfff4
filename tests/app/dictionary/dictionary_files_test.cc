// The dictionary's keys and memos at work on real files.
#include <string>
#include <vector>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "school_files.h"

namespace app {
namespace {

using testing::CreateIn;
using testing::ScratchDir;
using testing::SetDec;
using testing::SetInt;
using testing::SetText;
using testing::Value;

constexpr int32_t kDuplicateKey = 40;

TEST(DictionaryFilesTest, ZeroRegistrationNumbersAreAcceptedTwiceOthersOnce) {
  ScratchDir dir;
  auto contents = CreateIn(dir.path(), QVAPRENDEDecl());
  for (int i = 0; i < 2; ++i) {
    contents->clearBuffers();
    SetInt(*contents, "QVAP:COD_MATERIA", 7);
    SetText(*contents, "QVAP:CONTENIDO_PRIORIZADO", "Fracciones " + std::to_string(i));
    EXPECT_EQ(rt::Add(*contents), 0) << i;
  }
  contents->clearBuffers();
  SetInt(*contents, "QVAP:NRO_REGISTRO", 5);
  EXPECT_EQ(rt::Add(*contents), 0);
  EXPECT_EQ(rt::Add(*contents), kDuplicateKey);
  EXPECT_EQ(rt::Records(*contents), 3);
  EXPECT_EQ(rt::Records(*contents, 0), 1);  // zero numbers have no entry in the primary key
}

TEST(DictionaryFilesTest, StudentDniIsUniqueExceptZero) {
  ScratchDir dir;
  auto students = CreateIn(dir.path(), QVALUAPDecl());
  auto add = [&](int legajo, int dni) {
    students->clearBuffers();
    SetInt(*students, "QVA:LEGAJO", legajo);
    SetInt(*students, "QVA:DNI", dni);
    SetText(*students, "QVA:APELLIDO_NOMBRE", "Alumno " + std::to_string(legajo));
    return rt::Add(*students);
  };
  EXPECT_EQ(add(1, 30111222), 0);
  EXPECT_EQ(add(2, 30111222), kDuplicateKey);
  EXPECT_EQ(add(3, 0), 0);
  EXPECT_EQ(add(4, 0), 0);
  EXPECT_EQ(add(1, 30111223), 0);  // the file number itself may repeat
  EXPECT_EQ(rt::Records(*students), 4);
}

// Reads the file in the order of `key`, giving `label`'s value of each record.
std::vector<std::string> InKeyOrder(rt::FileControlBlock& f, int key, const char* label) {
  std::vector<std::string> out;
  EXPECT_EQ(rt::SetKey(f, key), 0);
  while (rt::Next(f) == 0) out.push_back(Value(f, label));
  return out;
}

TEST(DictionaryFilesTest, GradeBookDescendingOrders) {
  ScratchDir dir;
  auto book = CreateIn(dir.path(), QVLIBRETADecl());
  struct Row {
    const char* name;
    const char* sex;
    int subject;
    const char* annual;
    const char* third;
  };
  const Row rows[] = {
      {"Zapata", "MASCULINO", 2, "0", "0"},  {"alvarez", "FEMENINO", 2, "8.5", "7"},
      {"Benitez", "masculino", 2, "8.5", "9"}, {"Acosta", "MASCULINO", 1, "6", "0"},
      {"Diaz", "FEMENINO", 2, "0", "0"},
  };
  for (const Row& r : rows) {
    book->clearBuffers();
    SetText(*book, "QVL:ALUMNO", r.name);
    SetText(*book, "QVL:SEXO", r.sex);
    SetInt(*book, "QVL:COD_MATERIA", r.subject);
    SetDec(*book, "QVL:EVALUACION_ANUAL", r.annual);
    SetDec(*book, "QVL:FINALETAPAIII", r.third);
    ASSERT_EQ(rt::Add(*book), 0) << r.name;
  }
  const int ranking = QVLIBRETADecl()->findKey("QVL:CLAVE_RENDIMIENTO_ACADEMICO");
  // Highest first; ties by the next component, also descending; rows with
  // every value zero are kept.
  EXPECT_EQ(InKeyOrder(*book, ranking, "QVL:ALUMNO"),
            (std::vector<std::string>{"Benitez", "alvarez", "Acosta", "Zapata", "Diaz"}));
  const int bySex = QVLIBRETADecl()->findKey("QVL:CLAVE_MATERIA_SEXO_ALUMNO2");
  // Subject ascending, sex descending without regard to case, then name.
  EXPECT_EQ(InKeyOrder(*book, bySex, "QVL:ALUMNO"),
            (std::vector<std::string>{"Acosta", "Benitez", "Zapata", "alvarez", "Diaz"}));
}

TEST(DictionaryFilesTest, LongMemoAndUnusedFieldsSurviveARewrite) {
  ScratchDir dir;
  std::string learning;
  for (int i = 0; learning.size() < 1000; ++i) learning += static_cast<char>('a' + i % 26);
  learning[999] = 'Z';
  {
    auto follow = CreateIn(dir.path(), QVSEGUIRDecl());
    SetInt(*follow, "QVG:NRO_REGISTRO", 1);
    SetText(*follow, "QVG:ENPROCESO", "X");
    SetText(*follow, "QVG:PPI", "si");
    ASSERT_TRUE(rt::setMemo(*follow, 0, "observación"));
    ASSERT_TRUE(rt::setMemo(*follow, 1, learning));
    ASSERT_EQ(rt::Add(*follow), 0);
    // A later change of one mark leaves everything else as it was.
    SetText(*follow, "QVG:LOGRADO", "SI");
    ASSERT_EQ(rt::Put(*follow), 0);
    ASSERT_EQ(rt::Close(*follow), 0);
  }
  rt::FileControlBlock again(QVSEGUIRDecl());
  again.name = dir.path() + "/QVSEGUIR.KRL";
  ASSERT_EQ(rt::Open(again), 0);
  SetInt(again, "QVG:NRO_REGISTRO", 1);
  ASSERT_EQ(rt::Get(again, 0), 0);
  EXPECT_EQ(rt::getMemo(again, 1).value_or(""), learning);
  EXPECT_EQ(rt::getMemo(again, 0).value_or(""), "observación");
  EXPECT_EQ(Value(again, "QVG:ENPROCESO"), "X");
  EXPECT_EQ(Value(again, "QVG:PPI"), "si");
  EXPECT_EQ(Value(again, "QVG:LOGRADO"), "SI");
  rt::Close(again);
}

}  // namespace
}  // namespace app
