#include "app/signin/windows_text_var.h"

#include "runtime/core/windows1252.h"

namespace app::signin {

std::string WindowsTextVar::get() const { return rt::windows1252ToUtf8(*target_); }

bool WindowsTextVar::set(const std::string& value) {
  std::string v = rt::utf8ToWindows1252Lossy(value);
  v.resize(width_, ' ');
  *target_ = std::move(v);
  return true;
}

}  // namespace app::signin
