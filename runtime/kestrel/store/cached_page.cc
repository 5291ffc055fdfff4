#include "runtime/kestrel/store/cached_page.h"

namespace kestrel {

void CachedPage::Recount() {
  size_t total = kPageHeaderSize;
  records.ForEach([&](RecordView r) { total += CostOf(r); });
  expanded = total;
}

void CachedPage::Reset() {
  std::vector<Cursor*> kept = std::move(cursors);
  kept.clear();
  *this = CachedPage();
  cursors = std::move(kept);
}

}  // namespace kestrel
