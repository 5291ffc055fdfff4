// The rows of the demo window's list (demo_window.h).
#pragma once

#include <map>
#include <string>

#include "runtime/ui/row_source.h"

namespace demo {

// 100 students, of which the list holds one page.
class Page : public ui::RowSource {
 public:
  int offset = 0;  // rows above the page
  int items = 4;   // page size
  int total = 100;
  std::map<int, std::string> names;  // edited names by student
  int rowCount() const override;
  std::string value(int row, int field) const override;
  std::string name(int student) const;
};

}  // namespace demo
