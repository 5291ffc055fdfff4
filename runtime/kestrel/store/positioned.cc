// Reads that copy only what the caller keeps, and in-place value updates
// through a cursor that already stands on its record.
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

Outcome PageStore::ReadValue(std::string_view key, std::string* value, bool* found) {
  UnpinAll();
  *found = false;
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  if (root_ == -1 || key.empty()) return Outcome::OK();
  CachedPage* leaf = nullptr;
  KESTREL_RETURN_IF_FAILED(Descend(key, 0, &read_path_, &leaf));
  const size_t pos = leaf->records.LowerBound(key);
  if (pos >= leaf->records.size()) return Outcome::OK();
  const Record& r = leaf->records.At(pos);
  if (r.key() != key) return Outcome::OK();
  value->assign(r.value());
  *found = true;
  return Outcome::OK();
}

Outcome PageStore::ReplaceValueAt(Cursor* cursor, std::string_view value, bool* done) {
  *done = false;
  KESTREL_RETURN_IF_FAILED(RequireWrite());
  CachedPage* page = cursor->page_;
  if (!cursor->valid() || page == nullptr || page->version != cursor->version_ ||
      cursor->pos_ >= page->records.size()) {
    return Outcome::OK();
  }
  Record& stored = page->records.MutableAt(cursor->pos_);
  if (stored.key() != cursor->key() || stored.value().size() != value.size()) return Outcome::OK();
  // Equal sizes: the page's expanded size stays, so no split can follow.
  stored.bytes.replace(stored.key_length, value.size(), value);
  Touch(page);
  cursor->record_.bytes.replace(cursor->record_.key_length, value.size(), value);
  cursor->version_ = page->version;
  *done = true;
  return Outcome::OK();
}

}  // namespace kestrel
