#include "framework/window/field_var.h"

namespace fw {

std::string FieldVar::get() const {
  if (!field_.valid()) return {};
  return rt::getValueText(field_).value_or(std::string());
}

bool FieldVar::set(const std::string& value) {
  return field_.valid() && rt::setValueText(field_, value);
}

}  // namespace fw
