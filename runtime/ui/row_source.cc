#include "runtime/ui/row_source.h"

namespace ui {

std::string TableRowSource::value(int row, int field) const {
  if (row < 1 || row > int(rows.size())) return {};
  const auto& r = rows[size_t(row - 1)];
  if (field < 1 || field > int(r.size())) return {};
  return r[size_t(field - 1)];
}

}  // namespace ui
