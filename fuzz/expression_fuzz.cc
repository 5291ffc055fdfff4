// Compiles arbitrary texts as expressions against a small record with bound
// fields and variables, evaluates what compiles, and feeds the text to the
// pattern search as well. An input whose first byte is below 0x20 is
// rebuilt from expression tokens chosen by its bytes, so that random bytes
// mostly reach the parser's deeper paths rather than stop at the first
// character.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/view/expression.h"
#include "runtime/view/pattern.h"

namespace {

constexpr const char* kTokens[] = {
    "T:ID",  "T:NAME", "T:GRADE", "T:BORN", "T:MARK[2]", "T:NOTE", "LOC:N", "LOC:S", "'O''Brien'", "'abc  '",
    "12",    "7.50",   ".5",      "0",      "=",         "<>",     "<",     ">",     "<=",         ">=",
    "AND",   "OR",     "NOT",     "(",      ")",         ",",      "+",     "-",     "*",          "/",
    "%",     "&",      "UPPER(",  "LOWER(", "SUB(",      "CLIP(",  "LEN(",  "INSTRING(", "ROUND(",  "DATE(",
    "YEAR(", "INT(",   "ABS(",    "LEFT(",  "NUMERIC(",  "TODAY(", "'",     "[",     "]",          " ",
};

struct Fixture {
  std::unique_ptr<rt::FileControlBlock> file;
  rt::Bindings names;
  int32_t n = 5;
  std::string s = "text";

  Fixture() {
    rt::FileDeclBuilder d("T", "T", "T.KRL");
    d.Long("T:ID").String("T:NAME", 10).Decimal("T:GRADE", 3, 2).Date("T:BORN").Long("T:MARK", 3).Memo("T:NOTE", 20);
    file = std::make_unique<rt::FileControlBlock>(d.Build());
    rt::setText(*file, 1, "O'Brien");
    rt::setInteger(*file, 0, 42);
    names.BindFile(*file);
    names.Bind("LOC:N", &n);
    names.Bind("LOC:S", &s);
  }
};

// Filter texts of the program are far shorter; longer inputs would only make
// each run slower (a token input of 512 bytes is already ~2,500 characters).
constexpr size_t kMaxInput = 512;
// Order texts and their patterns are short too.
constexpr size_t kMaxPatternSide = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  static Fixture fx;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] < 0x20) {
    text.clear();
    for (size_t i = 1; i < size; ++i) {
      text += kTokens[data[i] % (sizeof kTokens / sizeof kTokens[0])];
      text += ' ';
    }
  }
  rt::Expression e;
  if (e.Compile(text, fx.names) == 0) {
    rt::Value v = e.Evaluate();
    (void)v.text();
    for (int c : e.Conjuncts()) (void)e.EvaluateNode(c);
  }
  // The text's first half searched for a pattern made of its second half.
  // A smaller step budget than the program's: patterns that backtrack without
  // end still reach the give-up path, at a fiftieth of the cost.
  const size_t cut = text.size() / 2;
  const std::string_view all(text);
  (void)rt::patternSearch(all.substr(0, std::min(cut, kMaxPatternSide)), all.substr(cut, kMaxPatternSide), true,
                          rt::kPatternMaxSteps / 50);
  return 0;
}
