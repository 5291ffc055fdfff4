#include "runtime/ui/prop_value.h"

#include <cstdlib>

namespace ui {

long long PropValue::toInt() const {
  if (!isText_) return num_;
  return std::strtoll(text_.c_str(), nullptr, 10);
}

}  // namespace ui
