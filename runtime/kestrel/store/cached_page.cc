#include "runtime/kestrel/store/cached_page.h"

namespace kestrel {

void CachedPage::Recount() {
  size_t total = kPageHeaderSize;
  const bool index = isIndex();
  records.ForEach([&](const Record& r) { total += ExpandedCost(r, index); });
  expanded = total;
}

}  // namespace kestrel
