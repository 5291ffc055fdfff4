#include "runtime/kestrel/store/cursor.h"

#include <algorithm>

#include "runtime/kestrel/store/cached_page.h"

namespace kestrel {

void Cursor::Attach(CachedPage* page) {
  if (page_ == page) return;
  Detach();
  page_ = page;
  if (page) page->cursors.push_back(this);
}

void Cursor::Detach() {
  if (!page_) return;
  auto& list = page_->cursors;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  page_ = nullptr;
}

}  // namespace kestrel
