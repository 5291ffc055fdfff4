#include "demo_page.h"

#include <algorithm>

namespace demo {

int Page::rowCount() const { return std::max(0, std::min(items, total - offset)); }

std::string Page::name(int student) const {
  auto it = names.find(student);
  return it != names.end() ? it->second : "Alumno " + std::to_string(student);
}

std::string Page::value(int row, int field) const {
  int student = offset + row;
  switch (field) {
    case 1: return std::to_string(student);
    case 2: return name(student);
    default: return std::to_string(student % 10);
  }
}

}  // namespace demo
