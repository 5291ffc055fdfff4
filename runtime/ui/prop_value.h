// A property value: a number or a text, read either way.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

class PropValue {
 public:
  PropValue() = default;  // an empty text, 0 as a number
  PropValue(long long n) : num_(n), isText_(false) {}
  PropValue(int n) : num_(n), isText_(false) {}
  PropValue(bool b) : num_(b ? 1 : 0), isText_(false) {}
  PropValue(std::string s) : text_(std::move(s)), isText_(true) {}
  PropValue(const char* s) : text_(s), isText_(true) {}

  bool isText() const { return isText_; }
  // Text read as a number takes its leading integer; an empty text is 0.
  long long toInt() const;
  std::string toString() const { return isText_ ? text_ : std::to_string(num_); }

  bool operator==(const PropValue& o) const { return toString() == o.toString(); }

 private:
  long long num_ = 0;
  std::string text_;
  bool isText_ = true;
};

}  // namespace ui
