#include "runtime/ui/use_var.h"

#include <cmath>
#include <cstdlib>

namespace ui {

bool StringVar::set(const std::string& value) {
  if (width_ <= 0) {
    *target_ = value;
    return true;
  }
  std::string v = value.substr(0, size_t(width_));
  v.resize(size_t(width_), ' ');
  *target_ = v;
  return true;
}

bool Int32Var::set(const std::string& value) {
  const char* s = value.c_str();
  while (*s == ' ') ++s;
  if (*s == 0) {
    *target_ = 0;
    return true;
  }
  char* end = nullptr;
  double d = std::strtod(s, &end);
  if (end == s || !std::isfinite(d)) return false;
  while (*end == ' ') ++end;
  if (*end != 0) return false;
  d = std::round(d);
  if (d > 2147483647.0 || d < -2147483648.0) return false;
  *target_ = int32_t(d);
  return true;
}

}  // namespace ui
