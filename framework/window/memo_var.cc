#include "framework/window/memo_var.h"

#include "runtime/core/file_field.h"

namespace fw {

std::string MemoVar::get() const {
  if (!file_) return {};
  return rt::getMemo(*file_, memo_).value_or(std::string());
}

bool MemoVar::set(const std::string& value) { return file_ && rt::setMemo(*file_, memo_, value); }

}  // namespace fw
