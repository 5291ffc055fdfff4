// The framework's text matcher. The program sets it up with its two
// options and tears it down, but never asks it to match anything, so it
// keeps only its option flags.
#pragma once

#include <cstdint>

namespace app {

class FuzzyClass {
 public:
  void Init() { initialized_ = true; }
  void Kill() { initialized_ = false; }
  // Options 1 and 2; other numbers are ignored.
  void SetOption(int option, int32_t value) {
    if (option == 1 || option == 2) options_[option - 1] = value;
  }
  int32_t GetOption(int option) const { return option == 1 || option == 2 ? options_[option - 1] : 0; }
  bool initialized() const { return initialized_; }

 private:
  int32_t options_[2] = {0, 0};
  bool initialized_ = false;
};

}  // namespace app
