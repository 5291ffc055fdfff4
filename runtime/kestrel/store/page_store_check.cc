// The tree-invariant checker: order, levels, parent keys equal to child
// first keys, every page in its area, no shared or empty places, end of data.
#include <set>
#include <sstream>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

namespace {

struct Walk {
  std::set<int32_t> seen;
  uint64_t records = 0;
  bool first_leaf = true;
  std::string previous;  // last key seen, in key order
  bool have_previous = false;
};

}  // namespace

Outcome PageStore::CheckIntegrity(std::string* detail) {
  detail->clear();
  auto fail = [&](Check check, const std::string& what) {
    *detail = what;
    return Outcome(Status::Corruption(check, name_));
  };
  KESTREL_RETURN_IF_FAILED(EnsureHeader());
  Status areas = header_.CheckAreas();
  if (!areas.ok()) return fail(areas.check(), "size areas overlap or are out of order");
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (header_.area_end[i] < header_.area_start[i] || (header_.area_end[i] - header_.area_start[i]) % i != 0) {
      return fail(Check::kAreaTable, "area " + std::to_string(i) + " is not a whole number of pages");
    }
  }
  if (!header_changed_ && journal_map_.empty()) {
    const uint64_t end = header_.EndOfData();
    if (header_.journal_start != end || header_.journal_end != end) {
      return fail(kCheckJournal, "journal bounds differ from the end of the data");
    }
    uint64_t size = 0;
    if (file_->Size(&size) == 0 && size > 0 && size < end) {
      return fail(Check::kShortPageRead, "file is shorter than the end of the data");
    }
  }
  if (root_ == -1) {
    *detail = "0 pages, 0 records";
    return Outcome::OK();
  }

  Walk walk;
  // Iterative depth-first walk; each frame copies what it needs from its
  // page so that pages may leave the cache while children are visited.
  struct Frame {
    int32_t ref;
    int level;  // expected level, -1 for the root
    std::string first_key;  // the parent's entry key, for non-root pages
    bool has_first;
  };
  std::vector<Frame> stack{{root_, -1, std::string(), false}};
  while (!stack.empty()) {
    Frame f = stack.back();
    stack.pop_back();
    UnpinAll();
    if (!walk.seen.insert(f.ref).second) {
      return fail(Check::kTreeShape, "page " + std::to_string(f.ref) + " is referenced twice");
    }
    CachedPage* page = nullptr;
    Outcome o = GetPage(f.ref, &page);
    if (!o.ok()) {
      *detail = "page " + std::to_string(f.ref) + " cannot be read";
      return o;
    }
    const std::string where = "page " + std::to_string(f.ref);
    if (f.level >= 0 && page->level != f.level) return fail(Check::kTreeShape, where + " has the wrong level");
    if (page->records.empty()) return fail(Check::kTreeShape, where + " is empty");
    if (f.has_first && page->records.At(0).key() != f.first_key) {
      return fail(kCheckParentEntry, where + ": parent key differs from its first key");
    }
    std::vector<Frame> children;
    for (size_t i = 0; i < page->records.size(); ++i) {
      const RecordView r = page->records.At(i);
      if (page->level == 0) {
        if (walk.first_leaf && i == 0) {
          if (r.key_length != 0 || !r.value().empty()) return fail(kCheckSentinel, "the first record is not the low sentinel");
        } else if (walk.have_previous && CompareKeys(walk.previous, r.key()) >= 0) {
          return fail(Check::kDuplicateKey, where + ": records out of order at " + HexBytes(r.key()));
        }
        walk.previous.assign(r.key());
        walk.have_previous = true;
        ++walk.records;
      } else {
        if (i > 0 && CompareKeys(page->records.At(i - 1).key(), r.key()) >= 0) {
          return fail(Check::kDuplicateKey, where + ": index entries out of order");
        }
        if (!r.value().empty()) return fail(Check::kTreeShape, where + ": index entry carries a value");
        children.push_back({static_cast<int32_t>(r.child), page->level - 1, std::string(r.key()), true});
      }
    }
    if (page->level == 0) walk.first_leaf = false;
    if (NeedsSplit(page) && page->records.size() > 1) return fail(Check::kPageTooLarge, where + " should have been split");
    // Visit children left to right.
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
  }
  UnpinAll();

  // Every place of every area holds exactly one page of the tree.
  uint64_t places = 0;
  for (int i = 1; i <= kMaxUnits; ++i) places += areas_.Pages(i);
  if (places != walk.seen.size()) {
    return fail(Check::kAreaTable, std::to_string(places) + " places in the areas but " +
                                       std::to_string(walk.seen.size()) + " pages in the tree");
  }
  std::ostringstream out;
  out << walk.seen.size() << " pages, " << walk.records - 1 << " records";
  *detail = out.str();
  return Outcome::OK();
}

}  // namespace kestrel
