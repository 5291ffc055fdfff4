// A fixed-length text variable kept in Windows-1252, as the record files
// hold text, bound to a control: the screen gets UTF-8 and typed UTF-8
// comes back as Windows-1252 (characters without a Windows-1252 form
// become '?').
#pragma once

#include <string>

#include "runtime/ui/use_var.h"

namespace app::signin {

class WindowsTextVar : public ui::UseVar {
 public:
  WindowsTextVar(std::string* target, size_t width) : target_(target), width_(width) {}
  std::string get() const override;
  bool set(const std::string& value) override;

 private:
  std::string* target_;
  size_t width_;
};

}  // namespace app::signin
