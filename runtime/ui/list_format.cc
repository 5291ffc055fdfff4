#include "runtime/ui/list_format.h"

#include <cctype>

namespace ui {

namespace {

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}
  bool done() const { return i_ >= s_.size(); }
  char peek() const { return done() ? '\0' : s_[i_]; }
  char take() { return done() ? '\0' : s_[i_++]; }
  bool digit() const { return std::isdigit(static_cast<unsigned char>(peek())) != 0; }
  int number() {
    long long n = 0;
    while (digit()) {
      n = n * 10 + (take() - '0');
      if (n > 1000000) n = 1000000;
    }
    return int(n);
  }
  // "(n)" when present.
  void skipParenthesised() {
    if (peek() != '(') return;
    while (!done() && take() != ')') {
    }
  }
  // Text up to the closing delimiter, which is consumed.
  std::string until(char close) {
    std::string out;
    while (!done() && peek() != close) out.push_back(take());
    take();
    return out;
  }

 private:
  const std::string& s_;
  size_t i_ = 0;
};

bool isAlign(char c) { return c == 'L' || c == 'R' || c == 'C' || c == 'D'; }

}  // namespace

std::vector<ListColumn> parseListFormat(const std::string& format) {
  std::vector<ListColumn> columns;
  Reader r(format);
  int nextField = 1;
  while (!r.done()) {
    if (!r.digit()) break;
    ListColumn c;
    c.width = r.number();
    c.rightBorder = false;
    c.underline = false;
    c.picture.clear();
    if (isAlign(r.peek())) c.align = r.take();
    r.skipParenthesised();
    bool end = false;
    while (!r.done() && !end) {
      char ch = r.peek();
      if (std::isdigit(static_cast<unsigned char>(ch))) break;  // next column, no picture
      r.take();
      switch (ch) {
        case '|': c.rightBorder = true; break;
        case '_': c.underline = true; break;
        case 'M': c.resizable = true; break;
        case '*':
        case 'Y':
        case 'F': break;
        case '~':
          c.header = r.until('~');
          if (isAlign(r.peek())) c.headerAlign = r.take();
          r.skipParenthesised();
          break;
        case 'S': r.skipParenthesised(); break;
        case '#': {
          int f = r.number();
          r.until('#');
          if (f > 0) nextField = f;
          break;
        }
        case '@':
          c.picture = "@" + r.until('@');
          end = true;
          break;
        default: break;  // unknown modifiers are skipped
      }
    }
    c.field = nextField++;
    columns.push_back(c);
  }
  return columns;
}

}  // namespace ui
