// Variables bound to controls. The engine reads and writes them as text:
// numbers as decimal digit text, dates and times as their standard day or
// time numbers, strings as they stand. Pictures turn that text into what the
// screen shows and back.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

class UseVar {
 public:
  virtual ~UseVar() = default;
  virtual std::string get() const = 0;
  // False when the value does not fit the variable; it then stays unchanged.
  virtual bool set(const std::string& value) = 0;
};

// A std::string variable; fixed width pads or cuts with blanks when > 0.
class StringVar : public UseVar {
 public:
  explicit StringVar(std::string* target, int width = 0) : target_(target), width_(width) {}
  std::string get() const override { return *target_; }
  bool set(const std::string& value) override;

 private:
  std::string* target_;
  int width_;
};

// A 32-bit integer variable. Decimals round half away from zero; a value
// outside the 32-bit range, or not a number, is refused.
class Int32Var : public UseVar {
 public:
  explicit Int32Var(int32_t* target) : target_(target) {}
  std::string get() const override { return std::to_string(*target_); }
  bool set(const std::string& value) override;

 private:
  int32_t* target_;
};

}  // namespace ui
