// The expression evaluator: precedence, quoting, case, trailing blanks,
// exact numbers and dates, functions, bindings and their scopes, errors.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/error_state.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/std_date.h"
#include "runtime/view/expression.h"

namespace rt {
namespace {

struct Case {
  const char* text;
  const char* value;
};

// Evaluates against a private set of bindings; "!<code>" when it fails.
std::string Eval(const std::string& text, const Bindings& names) {
  Expression e;
  if (int32_t rc = e.Compile(text, names); rc != 0) return "!" + std::to_string(rc);
  Value v;
  if (!e.Evaluate(&v)) return "!" + std::to_string(ERRORCODE());
  return v.text();
}

TEST(ExpressionTest, OperatorsQuotingCaseAndComparisons) {
  const Case cases[] = {
      // Precedence: * before +, comparisons before NOT, NOT before AND before OR.
      {"1 + 2 * 3", "7"},
      {"(1 + 2) * 3", "9"},
      {"-2 * 3 + 10", "4"},
      {"10 - 4 - 3", "3"},
      {"NOT 1 = 2", "1"},
      {"1 = 1 OR 1 = 2 AND 1 = 2", "1"},
      {"(1 = 1 OR 1 = 2) AND 1 = 2", "0"},
      {"NOT 1 = 1 OR 2 = 2", "1"},
      {"'a' & 'b' = 'ab'", "1"},
      {"10 / 4", "2.5"},
      {"1 / 3 * 3 < 1", "1"},
      {"7 % 3", "1"},
      {"5 / 0", "0"},
      // Quoting: a quote inside a text is doubled.
      {"'O''Brien'", "O'Brien"},
      {"''''", "'"},
      {"'O''Brien' = 'O''Brien'", "1"},
      // Keywords and functions in any case; texts compare with case.
      {"1 = 1 and not 0", "1"},
      {"upper('abc') = 'ABC'", "1"},
      {"'abc' = 'ABC'", "0"},
      {"LOWER('\xC1" "B\xD1')", "\xE1" "b\xF1"},
      {"UPPER('\xE9t\xE9')", "\xC9T\xC9"},
      // Trailing blanks never matter; leading ones do.
      {"'abc   ' = 'abc'", "1"},
      {"'abc' < 'abd '", "1"},
      {"' abc' = 'abc'", "0"},
      {"'ab' < 'ab!'", "1"},
      // Numbers are exact; a text that reads as a number compares as one.
      {"0.1 + 0.2 = 0.3", "1"},
      {"7.50 = 7.5", "1"},
      {"7.49 < 7.5", "1"},
      {"'10' > 9", "1"},
      {"'10' > '9'", "0"},
      {"'abc' > 5", "1"},
      {"1 <> 2", "1"},
      {"2 =< 2", "1"},
      {"3 => 4", "0"},
  };
  Bindings none;
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text, none), c.value) << c.text;
}

TEST(ExpressionTest, Functions) {
  const int32_t date = MakeStdDate(2024, 3, 15);
  const std::string d = std::to_string(date);
  const Case cases[] = {
      {"CLIP('ab  ') & '|'", "ab|"},
      {"LEFT('  ab') & '|'", "ab  |"},
      {"LEN('ab  ')", "4"},
      {"SUB('abcdef', 2, 3)", "bcd"},
      {"SUB('abcdef', -2, 5)", "ef"},
      {"SUB('abc', 9, 1)", ""},
      {"INSTRING('cd', 'abcdef')", "3"},
      {"INSTRING('cd', 'abcdef', 2)", "2"},
      {"INSTRING('x', 'abc')", "0"},
      {"INSTRING('ab', 'abab', 1, 2)", "3"},
      {"ABS(-7.5)", "7.5"},
      {"INT(-7.9)", "-7"},
      {"ROUND(7.45, 1)", "7.5"},
      {"ROUND(6.5)", "7"},
      {"DATE(3, 15, 2024)", d.c_str()},
      {"DATE(2, 30, 2024)", "0"},
      {"YEAR(DATE(3, 15, 2024)) * 100 + MONTH(DATE(3, 15, 2024))", "202403"},
      {"DAY(DATE(3, 15, 2024))", "15"},
      {"TODAY() > DATE(1, 1, 2000)", "1"},
      {"NUMERIC(' 12.5 ') & NUMERIC('1x')", "10"},
  };
  Bindings none;
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text, none), c.value) << c.text;
}

TEST(ExpressionTest, ErrorsCarryRuntimeCodes) {
  const Case cases[] = {
      {"1 +", "!1010"},
      {"'abc", "!1010"},
      {"(1 = 1", "!1010"},
      {"1 = 1)", "!1010"},
      {"1 2", "!1010"},
      {"1.2.3", "!1010"},
      {"FOO(1)", "!1010"},
      {"UPPER('a', 'b')", "!1010"},
      {"1 = 1 AND", "!1010"},
      {"#", "!1010"},
      {"", "!1010"},
      {"UNKNOWN:NAME = 1", "!1011"},
      {"SUB('abc')", "!1015"},
      {"SUB('abc', , 2)", "!1015"},
      {"UPPER()", "!1015"},
  };
  Bindings none;
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(c.text, none), c.value) << c.text;
    EXPECT_EQ(ERRORCODE(), std::stoi(c.value + 1)) << c.text;
  }
  // Nesting and chains deep enough to exhaust the stack are refused.
  EXPECT_EQ(Eval(std::string(5000, '(') + "1" + std::string(5000, ')'), none), "!1010");
  std::string chain = "1";
  for (int i = 0; i < 5000; ++i) chain += " + 1";
  EXPECT_EQ(Eval(chain, none), "!1010");
  std::string nots;
  for (int i = 0; i < 5000; ++i) nots += "NOT ";
  EXPECT_EQ(Eval(nots + "1", none), "!1010");
  // A modest chain of filter terms is fine.
  std::string terms = "1 = 1";
  for (int i = 0; i < 300; ++i) terms += " AND 1 = 1";
  EXPECT_EQ(Eval(terms, none), "1");

  Expression never;
  EXPECT_FALSE(never.Test());
  EXPECT_EQ(ERRORCODE(), 1013);
}

TEST(ExpressionTest, BoundVariablesAreReadAtEachEvaluation) {
  Bindings b;
  std::string name = "Ana";
  int32_t count = 3;
  Decimal grade = *Decimal::Parse("7.50");
  b.Bind("LOC:NAME", &name);
  b.Bind("loc:count", &count);
  b.Bind("LOC:GRADE", &grade);
  Expression e;
  ASSERT_EQ(e.Compile("Loc:Name = 'ANA  ' OR (LOC:COUNT > 2 AND LOC:GRADE = 7.5)", b), 0);
  EXPECT_TRUE(e.Test());
  count = 2;
  EXPECT_FALSE(e.Test());
  name = "ANA";
  EXPECT_TRUE(e.Test());
  b.BindGetter("LOC:LATER", [&] { return Value(int64_t{count * 10}); });
  EXPECT_EQ(Eval("LOC:LATER + 1", b), "21");
}

TEST(ExpressionTest, ScopesShadowHideAndInvalidateBindings) {
  Bindings b;
  int32_t outer = 1, inner = 2;
  b.Bind("X", &outer);
  b.Bind("Y", &outer);
  Expression compiled_outer;
  ASSERT_EQ(compiled_outer.Compile("X", b), 0);

  b.PushScope();
  b.Bind("X", &inner);
  EXPECT_EQ(Eval("X * 10 + Y", b), "21");  // inner X shadows, outer Y shows through
  Expression compiled_inner;
  ASSERT_EQ(compiled_inner.Compile("X", b), 0);
  EXPECT_EQ(b.PopScope(), 0);
  EXPECT_EQ(Eval("X", b), "1");
  // An expression compiled against a popped binding does not read it.
  EXPECT_FALSE(compiled_inner.Test());
  EXPECT_EQ(ERRORCODE(), 1014);
  EXPECT_TRUE(compiled_outer.Test());

  b.PushScope(/*hide_outer=*/true);
  EXPECT_EQ(Eval("Y", b), "!1011");
  EXPECT_EQ(b.PopScope(), 0);
  EXPECT_EQ(b.PopScope(), 1012);
  EXPECT_EQ(ERRORCODE(), 1012);

  EXPECT_TRUE(b.Unbind("x"));
  EXPECT_FALSE(b.Unbind("X"));
  EXPECT_FALSE(compiled_outer.Test());
  EXPECT_EQ(ERRORCODE(), 1014);
}

// A record buffer with a date, a packed decimal, text and a memo, bound by label.
class BoundFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FileDeclBuilder d("T", "T", "T.KRL");
    d.Long("T:ID").String("T:NAME", 10).Decimal("T:GRADE", 3, 2).Date("T:BORN").Long("T:MARK", 3).Memo("T:NOTE", 40);
    block = std::make_unique<FileControlBlock>(d.Build());
    names.BindFile(*block);
    setInteger(*block, 0, 42);
    setText(*block, 1, "O'Brien");
    setDecimal(*block, 2, *Decimal::Parse("7.5"));
    setDate(*block, 3, MakeStdDate(2010, 5, 20));
    setInteger(*block, 4, 9, 1);
    setMemo(*block, 0, "remarks");
  }
  std::unique_ptr<FileControlBlock> block;
  Bindings names;
};

TEST_F(BoundFileTest, FieldsCompareByTheirValues) {
  const std::string born = std::to_string(MakeStdDate(2010, 5, 20));
  const Case cases[] = {
      {"T:ID = 42 AND T:ID > '041'", "1"},
      {"T:NAME = 'O''Brien'", "1"},
      {"T:NAME = 'O''BRIEN'", "0"},
      {"UPPER(T:NAME) = UPPER('o''brien   ')", "1"},
      {"LEN(T:NAME)", "10"},
      {"T:GRADE = 7.50 AND T:GRADE > 7.49 AND T:GRADE < 7.51", "1"},
      {"T:GRADE = '7.5'", "1"},
      {"T:BORN = DATE(5, 20, 2010) AND T:BORN < DATE(5, 21, 2010)", "1"},
      {"T:BORN", born.c_str()},
      {"YEAR(T:BORN)", "2010"},
      {"T:MARK[2] + T:MARK[1]", "9"},
      {"T:NOTE = 'remarks'", "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.text, names), c.value) << c.text;
  // Expressions read the buffer as it is when they run.
  Expression e;
  ASSERT_EQ(e.Compile("T:GRADE >= 7", names), 0);
  EXPECT_TRUE(e.Test());
  setDecimal(*block, 2, *Decimal::Parse("6.99"));
  EXPECT_FALSE(e.Test());
  // When the file goes away its names go with it; other names stay.
  int32_t n = 1;
  names.Bind("LOC:N", &n);
  names.UnbindFile(*block);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(ERRORCODE(), 1014);
  EXPECT_EQ(Eval("T:NOTE", names), "!1011");
  EXPECT_EQ(Eval("LOC:N", names), "1");
}

TEST(ExpressionTest, EvaluateUsesTheThreadBindings) {
  int32_t n = 4;
  threadBindings().PushScope();
  threadBindings().Bind("N", &n);
  EXPECT_EQ(Evaluate("N * 2 & 'x'"), "8x");
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(threadBindings().PopScope(), 0);
  EXPECT_EQ(Evaluate("N * 2"), "");
  EXPECT_EQ(ERRORCODE(), 1011);
}

}  // namespace
}  // namespace rt
