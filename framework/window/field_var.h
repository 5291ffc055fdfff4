// A record field bound to a control: the control shows the field of the
// file's record buffer and writes what the user typed back into it.
#pragma once

#include <string>

#include "runtime/core/file_field.h"
#include "runtime/ui/use_var.h"

namespace fw {

class FieldVar : public ui::UseVar {
 public:
  explicit FieldVar(rt::FieldRef field) : field_(field) {}
  std::string get() const override;
  // False, changing nothing, when the value does not fit the field.
  bool set(const std::string& value) override;

 private:
  rt::FieldRef field_;
};

}  // namespace fw
