// CSV and field cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_field.h"
#include "runtime/core/windows1252.h"
#include "tools/qvdata/csv.h"
#include "tools/qvdata/field_text.h"

namespace qvdata {
namespace {

TEST(CsvTest, QuotesLineBreaksAndLineNumbers) {
  std::vector<CsvProblem> problems;
  const auto rows = ParseCsv(
      "\xEF\xBB\xBF" "a,b,c\r\n"
      "1,\"x, y\",\"say \"\"hi\"\"\"\r\n"
      "\n"
      "2,\"two\nlines\",\n"
      "3,\"open\"x,z\n"
      "4,bad\"quote,z\n"
      "5,last,\"\"",
      &problems);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"1", "x, y", "say \"hi\""}));
  EXPECT_EQ(rows[2].line, 4u);
  EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"2", "two\nlines", ""}));
  EXPECT_EQ(rows[3].line, 8u);
  EXPECT_EQ(rows[3].cells, (std::vector<std::string>{"5", "last", ""}));
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].line, 6u);
  EXPECT_EQ(problems[0].column, 2u);
  EXPECT_EQ(problems[1].line, 7u);

  problems.clear();
  EXPECT_TRUE(ParseCsv("a,\"never closed\n", &problems).empty());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].column, 2u);

  // What CsvLine writes reads back as the same cells.
  const std::vector<std::string> cells = {"plain", "com,ma", "qu\"ote", "line\r\nbreak", "", " padded "};
  problems.clear();
  const auto again = ParseCsv(CsvLine(cells), &problems);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].cells, cells);
  EXPECT_TRUE(problems.empty());
}

TEST(CsvTest, SeparatorIsToldFromTheHeaderLine) {
  struct Case {
    const char* text;
    char separator;
  };
  const Case cases[] = {
      {"LEGAJO,APELLIDO_NOMBRE,DNI\n1;2;3\n", ','},
      {"LEGAJO;APELLIDO_NOMBRE;DNI\r\n1,5;\"a,b,c,d\";3\n", ';'},
      {"LEGAJO\tAPELLIDO_NOMBRE\n", '\t'},
      {"\"A;B;C\",D\n", ','},  // separators inside quotes do not count
      {"LEGAJO\n", ','},
  };
  for (const Case& c : cases) EXPECT_EQ(DetectSeparator(c.text), c.separator) << c.text;

  // Cells holding the separator are quoted for it, and read back.
  const std::vector<std::string> cells = {"7,50", "a;b", "tab\there", "plain"};
  for (char sep : {';', '\t'}) {
    std::vector<CsvProblem> problems;
    const auto rows = ParseCsv(CsvLine(cells, sep), &problems, sep);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells, cells);
    EXPECT_TRUE(problems.empty());
  }
  EXPECT_EQ(CsvLine(cells, ';'), "7,50;\"a;b\";tab\there;plain\n");
}

TEST(CsvTest, HostileBytesEndWithinBounds) {
  std::mt19937 rng(5);
  const char alphabet[] = {',', '"', '\n', '\r', 'a', '\xC3', '\xA9', '\xFF', '\xE2', '\xEF', '\xBB', '\xBF'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 40, ' ');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    std::vector<CsvProblem> problems;
    for (const CsvRow& row : ParseCsv(text, &problems)) {
      EXPECT_GE(row.line, 1u);
      EXPECT_LE(row.line, lines);
      EXPECT_FALSE(row.cells.empty());
    }
    for (const CsvProblem& p : problems) {
      EXPECT_LE(p.line, lines);
      EXPECT_GE(p.column, 1u);
    }
    std::string out;
    rt::Utf8Fault e;
    if (!rt::utf8ToWindows1252(text, &out, &e)) {
      EXPECT_LT(e.offset, text.size());
    }
  }
}

TEST(FieldCellTest, CellsAreCheckedAgainstTheirField) {
  rt::FileControlBlock book(app::QVLIBRETADecl());
  rt::FileControlBlock subject(app::QVMATERIASDecl());
  struct Case {
    rt::FileControlBlock* file;
    const char* label;
    const char* cell;
    const char* stored;  // the cell read back, or nullptr when refused
    const char* reason;  // part of the refusal
  };
  const Case cases[] = {
      {&book, "QVL:NRO_LEGAJO", "-17", "-17", ""},
      {&book, "QVL:NRO_LEGAJO", "", "0", ""},
      {&book, "QVL:NRO_LEGAJO", "12a", nullptr, "not a whole number"},
      {&book, "QVL:NRO_LEGAJO", " 12", nullptr, "not a whole number"},
      {&book, "QVL:NRO_LEGAJO", "2147483648", nullptr, "out of range"},
      {&book, "QVL:NRO_ORDEN", "32768", nullptr, "-32768 to 32767"},
      {&book, "QVL:ETAPA1", "7.5", "7.50", ""},
      {&book, "QVL:ETAPA1", "-99999.99", "-99999.99", ""},
      {&book, "QVL:ETAPA1", "100000", nullptr, "out of range"},
      {&book, "QVL:ETAPA1", "7.555", nullptr, "decimal places"},
      {&book, "QVL:ETAPA1", "7,5", nullptr, "not a number"},
      {&subject, "QVM:HORAS", "999.99", "999.99", ""},
      {&subject, "QVM:HORAS", "1000", nullptr, "out of range"},
      {&subject, "QVM:QVP_FECHANAC", "1/2/1970", "01/02/1970", ""},
      {&subject, "QVM:QVP_FECHANAC", "29/02/2024", "29/02/2024", ""},
      {&subject, "QVM:QVP_FECHANAC", "29/02/2023", nullptr, "invalid date"},
      {&subject, "QVM:QVP_FECHANAC", "1970-02-01", "01/02/1970", ""},
      {&subject, "QVM:QVP_FECHANAC", "2023-02-29", nullptr, "invalid date"},
      {&subject, "QVM:QVP_FECHANAC", "1970-2-1", nullptr, "invalid date"},
      {&subject, "QVM:QVP_FECHANAC", "01/02/70", nullptr, "invalid date"},
      {&subject, "QVM:QVP_FECHANAC", "02/25/1987", nullptr, "invalid date"},
      {&subject, "QVM:QVP_FECHANAC", "", "", ""},
      {&subject, "QVM:DIVISION", "4\xC2\xBA" "A", "4\xC2\xBA" "A", ""},  // 4ºA: 3 bytes in the file
      {&subject, "QVM:DIVISION", "ABCDE", nullptr, "text too long: 5 characters, at most 4"},
      {&subject, "QVM:DIVISION", "\xE2\x84\x96", nullptr, "U+2116"},  // №
  };
  for (const Case& c : cases) {
    const int field = c.file->decl().findField(c.label);
    ASSERT_GE(field, 0) << c.label;
    c.file->clearBuffers();
    const std::vector<uint8_t> before = c.file->record;
    std::string reason;
    const bool ok = SetFieldFromCell(*c.file, field, c.cell, &reason);
    EXPECT_EQ(ok, c.stored != nullptr) << c.label << " <- " << c.cell << ": " << reason;
    if (ok) {
      EXPECT_EQ(CellOfField(*c.file, field), c.stored) << c.label;
    } else {
      EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
      EXPECT_EQ(c.file->record, before) << c.label << " changed by a refused cell";
    }
  }
  // In a file separated by ';' decimals take a comma, and a point is
  // refused rather than guessed at (it may group thousands there).
  CellStyle comma;
  comma.decimal_comma = true;
  const int horas = subject.decl().findField("QVM:HORAS");
  std::string why;
  ASSERT_TRUE(SetFieldFromCell(subject, horas, "4,5", &why, comma)) << why;
  EXPECT_EQ(CellOfField(subject, horas), "4.50");
  EXPECT_EQ(CellOfField(subject, horas, comma), "4,50");
  EXPECT_FALSE(SetFieldFromCell(subject, horas, "4.5", &why, comma));
  EXPECT_NE(why.find("comma"), std::string::npos) << why;
  EXPECT_FALSE(SetFieldFromCell(subject, horas, "4,5", &why));

  // Dates a spreadsheet rewrote are told apart from other bad dates.
  for (const char* d : {"02/25/87", "11/08/81", "02/25/1987", "2/13/2001"}) EXPECT_TRUE(LooksLikeSpreadsheetDate(d)) << d;
  for (const char* d : {"31/04/1970", "25/02/1987", "1987-02-25", "x"}) EXPECT_FALSE(LooksLikeSpreadsheetDate(d)) << d;
  EXPECT_EQ(FormatIsoDate(ParseDate("05/03/2009")), "2009-03-05");

  // Memos: up to their size, in the files' character set.
  rt::FileControlBlock contents(app::QVAPRENDEDecl());
  std::string reason;
  EXPECT_TRUE(SetMemoFromCell(contents, 0, std::string(999, 'x') + "\xC3\xA9", &reason));
  EXPECT_EQ(CellOfMemo(contents, 0), std::string(999, 'x') + "\xC3\xA9");
  EXPECT_FALSE(SetMemoFromCell(contents, 0, std::string(1001, 'x'), &reason));
  EXPECT_NE(reason.find("at most 1000"), std::string::npos);
}

}  // namespace
}  // namespace qvdata
