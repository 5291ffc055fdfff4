#include "runtime/ui/system_icon.h"

#include <cstdlib>

namespace ui {

namespace {
constexpr char kPrefix[] = "SYSICON:";
constexpr int kFirst = 32512;
}  // namespace

std::string systemIconName(uint32_t designator) {
  if ((designator & 0xFFFF) != 0x01FF || (designator >> 24) != 127) return {};
  return std::string("~") + kPrefix + std::to_string(kFirst + int((designator >> 16) & 0xFF) - 1);
}

int systemIconNumber(const std::string& name) {
  std::string n = !name.empty() && name[0] == '~' ? name.substr(1) : name;
  if (n.compare(0, sizeof kPrefix - 1, kPrefix) != 0) return 0;
  const std::string digits = n.substr(sizeof kPrefix - 1);
  if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
    return 0;
  return std::atoi(digits.c_str());
}

}  // namespace ui
