#include "runtime/core/error_replacements.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"

namespace {

TEST(MessageReplacements, ParsesCodesTextsCommentsAndBadLines) {
  std::vector<size_t> bad;
  auto set = rt::MessageReplacements::parse(
      "# Spanish texts\n"                  // 1 comment
      "33=No hay registro disponible\n"    // 2
      "\n"                                 // 3 empty
      "  35 = Registro no encontrado  \r\n"  // 4 blanks kept in the text, CR dropped
      "no equals sign\n"                   // 5 bad
      "abc=not a number\n"                 // 6 bad
      "=no code\n"                         // 7 bad
      "99999999999=out of range\n"         // 8 bad
      "12x=trailing garbage\n"             // 9 bad
      "-5=negative\n"                      // 10
      "+7=a=b\n"                           // 11 only the first '=' splits
      "33=later line wins\n"               // 12
      "   # indented comment\n"            // 13
      "40=",                               // 14 no final newline, empty text
      &bad);
  EXPECT_EQ(bad, (std::vector<size_t>{5, 6, 7, 8, 9}));
  EXPECT_EQ(set.size(), 5u);
  ASSERT_NE(set.find(33), nullptr);
  EXPECT_EQ(*set.find(33), "later line wins");
  EXPECT_EQ(*set.find(35), " Registro no encontrado  ");
  EXPECT_EQ(*set.find(-5), "negative");
  EXPECT_EQ(*set.find(7), "a=b");
  EXPECT_EQ(*set.find(40), "");
  EXPECT_EQ(set.find(2), nullptr);
}

TEST(MessageReplacements, HostileBytesDoNotBreakParsing) {
  const char raw[] = "1=\0\xff\n\n\n\0=x\n2=\xfe";
  std::string bytes(raw, sizeof raw - 1);
  std::vector<size_t> bad;
  auto set = rt::MessageReplacements::parse(bytes, &bad);
  EXPECT_EQ(bad, (std::vector<size_t>{4}));
  ASSERT_NE(set.find(1), nullptr);
  EXPECT_EQ(*set.find(1), std::string("\0\xff", 2));
  EXPECT_EQ(*set.find(2), "\xfe");
}

// Points the environment at a file for one test and restores it afterwards.
class ReplacementFile : public testing::Test {
 protected:
  void use(const std::string& contents) {
    path_ = testing::TempDir() + "qv_messages_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path_, std::ios::binary) << contents;
    setenv(rt::kMessageReplacementsVariable, path_.c_str(), 1);
    rt::reloadMessageReplacements();
  }
  void TearDown() override {
    unsetenv(rt::kMessageReplacementsVariable);
    rt::reloadMessageReplacements();
    if (!path_.empty()) std::remove(path_.c_str());
    rt::clearError();
  }
  std::string path_;
};

TEST_F(ReplacementFile, ReplacementWinsOverTheTable) {
  use("35=Registro no encontrado\n"
      "81=Error desconocido\n"
      "90=Error del sistema de archivos\n"
      "500=   Motor sin ventana\n");
  rt::postError(35);
  EXPECT_EQ(rt::ERRORCODE(), 35);
  EXPECT_EQ(rt::Error().substr(0, 25), "Registro no encontrado   ");
  EXPECT_EQ(rt::errorMessageOf(33), "Record Not Available");  // not replaced
  EXPECT_EQ(rt::errorMessageOf(123), "Error desconocido : 123");
  EXPECT_EQ(rt::errorMessageOf(500), "Motor sin ventana");  // leading blanks dropped
  rt::postFileError("X.KRL");
  EXPECT_EQ(rt::FileError().substr(0, 40), "Error del sistema de archivos : X.KRL   ");
}

TEST_F(ReplacementFile, LongReplacementIsCutAfterDroppingLeadingBlanks) {
  use("36=" + std::string(10, ' ') + std::string(300, 'r') + "\n");
  rt::postError(36);
  EXPECT_EQ(rt::Error(), std::string(255, 'r') + " ");
}

TEST_F(ReplacementFile, BadLinesAreReportedAndSkipped) {
  testing::internal::CaptureStderr();
  use("garbage\n33=Sin registro\n");
  rt::postError(33);
  std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_NE(warnings.find("line 1 skipped"), std::string::npos) << warnings;
  EXPECT_EQ(rt::errorMessageOf(33), "Sin registro");
}

TEST_F(ReplacementFile, MissingOrOversizedFileKeepsBuiltInTexts) {
  testing::internal::CaptureStderr();
  setenv(rt::kMessageReplacementsVariable, "/nonexistent/qv/messages.txt", 1);
  rt::reloadMessageReplacements();
  EXPECT_EQ(rt::errorMessageOf(35), "Record Not Found");

  use("35=too big\n" + std::string(rt::kMaxMessageReplacementsFile, '#'));
  EXPECT_EQ(rt::errorMessageOf(35), "Record Not Found");
  std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_NE(warnings.find("cannot be read"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("larger than 1 MiB"), std::string::npos) << warnings;
}

}  // namespace
