// The runtime pattern search, with the pattern GetFieldAscending builds.
#include <gtest/gtest.h>

#include <string>

#include "runtime/view/pattern.h"

namespace rt {
namespace {

std::string Descending(const std::string& label) {
  return "{{{[+-]}{" + label + "}[,]}|{{[+-]}{" + label + "}$}}";
}

TEST(PatternTest, OrderTextSearchFindsTheSignedLabel) {
  struct {
    const char* order;
    const char* label;
    size_t at;
  } cases[] = {
      {"QVG:A,-QVG:B", "QVG:B", 7},
      {"-QVG:B,QVG:A", "QVG:B", 1},
      {"QVG:A,-QVG:BC", "QVG:B", 0},   // another label that begins alike
      {"QVG:A,QVG:B", "QVG:B", 0},     // ascending labels carry no sign
      {"+QVG:B", "QVG:B", 1},
      {"QVG:A,-UPPER(QVG:B),QVG:C", "UPPER(QVG:B)", 7},
      {"-QVG:B ", "QVG:B", 0},         // neither "," nor the end follows
  };
  for (const auto& c : cases) {
    EXPECT_EQ(patternSearch(c.order, Descending(c.label)), c.at) << c.order << " / " << c.label;
  }
}

TEST(PatternTest, Syntax) {
  struct {
    const char* text;
    const char* pattern;
    size_t at;
  } cases[] = {
      {"abc", "b", 2},
      {"abc", "^b", 0},
      {"abc", "c$", 3},
      {"abc", "a.c", 1},
      {"aXbc", "[A-Z]b", 2},
      {"ab1", "[^a-z]", 3},
      {"abbbc", "ab+c", 1},
      {"ac", "ab*c", 1},
      {"ac", "ab?c", 1},
      {"xyz", "{ab}|{y}", 2},
      {"a+b", "a\\+b", 1},
      {"", "^$", 1},
      {"abc", "{{}*}*c", 3},  // empty repetitions end
      // Malformed patterns find nothing.
      {"abc", "{a", 0},
      {"abc", "[a", 0},
      {"abc", "a}", 0},
      {"abc", "*a", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(patternSearch(c.text, c.pattern), c.at) << c.text << " ~ " << c.pattern;
  EXPECT_EQ(patternSearch("ABC", "b", true), 2u);
  EXPECT_EQ(patternSearch("ABC", "b"), 0u);
  // Backtracking without end gives up instead of hanging.
  EXPECT_EQ(patternSearch(std::string(40, 'a') + "b", "{a*}*c"), 0u);
  // A match that needs more steps than allowed is given up as well.
  const std::string text = std::string(20, 'a') + "b";
  EXPECT_EQ(patternSearch(text, "{a|aa}*b", false, 10), 0u);
  EXPECT_EQ(patternSearch(text, "{a|aa}*b", false, 1000), 1u);
}

}  // namespace
}  // namespace rt
