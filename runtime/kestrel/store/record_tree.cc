#include "runtime/kestrel/store/record_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace kestrel {

namespace {

// CompareKeys without a call to memcmp for most pairs: both keys are read 8
// bytes at a time as big-endian numbers while both have 8 bytes left. The
// keys of one page share their first bytes (table, key number, leading
// components), so the first word alone often ties.
inline int CompareKeysQuick(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; i < n; ++i) {
    const uint8_t x = static_cast<uint8_t>(a[i]), y = static_cast<uint8_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// A search waits on each node and then on its key's bytes; fetching both
// children meanwhile overlaps the next node's wait with this key's.
template <typename N>
inline void PrefetchChildren(const N* n) {
  __builtin_prefetch(n->left);
  __builtin_prefetch(n->right);
}

// Calls `fn` on every node of the subtree under `n`, each after its children
// were noted, so `fn` may end the node. Iterative, so a degenerate tree
// cannot exhaust the stack.
template <typename N, typename Fn>
void ForEachNodeOnce(N* n, Fn fn) {
  std::vector<N*> stack;
  if (n) stack.push_back(n);
  while (!stack.empty()) {
    N* x = stack.back();
    stack.pop_back();
    if (x->left) stack.push_back(x->left);
    if (x->right) stack.push_back(x->right);
    fn(x);
  }
}

}  // namespace

struct RecordTree::Node {
  Record record;
  Node* left = nullptr;
  Node* right = nullptr;
  size_t size = 1;
  uint32_t priority = 0;
};

// A freed node slot, kept on the tree's list for the next insert.
struct RecordTree::FreeSlot {
  FreeSlot* next;
};

namespace {

// Blocks grow with the tree, so a page of one or two records does not
// hold room for hundreds.
constexpr size_t kFirstBlockNodes = 4;
constexpr size_t kMaxBlockNodes = 256;

}  // namespace

RecordTree::Node* RecordTree::NewBlock(size_t count) {
  blocks_.reserve(blocks_.size() + 1);
  Node* block = static_cast<Node*>(::operator new(count * sizeof(Node)));
  blocks_.push_back(block);
  return block;
}

RecordTree::Node* RecordTree::NewNode() {
  if (free_) {
    FreeSlot* slot = free_;
    free_ = slot->next;
    slot->~FreeSlot();
    return new (static_cast<void*>(slot)) Node;
  }
  if (block_left_ == 0) {
    const size_t count = next_block_size_ ? next_block_size_ : kFirstBlockNodes;
    block_next_ = NewBlock(count);
    block_left_ = count;
    next_block_size_ = std::min(count * 2, kMaxBlockNodes);
  }
  --block_left_;
  return new (static_cast<void*>(block_next_++)) Node;
}

void RecordTree::FreeNode(Node* n) {
  n->~Node();
  free_ = new (static_cast<void*>(n)) FreeSlot{free_};
}

void RecordTree::ReleaseBlocks() {
  for (Node* block : blocks_) ::operator delete(static_cast<void*>(block));
  blocks_.clear();
  free_ = nullptr;
  block_next_ = nullptr;
  block_left_ = 0;
  next_block_size_ = 0;
}

RecordTree::~RecordTree() {
  Destroy(root_);
  ReleaseBlocks();
}

RecordTree::RecordTree(RecordTree&& other) noexcept
    : root_(std::exchange(other.root_, nullptr)),
      seed_(other.seed_),
      blocks_(std::exchange(other.blocks_, {})),
      free_(std::exchange(other.free_, nullptr)),
      block_next_(std::exchange(other.block_next_, nullptr)),
      block_left_(std::exchange(other.block_left_, 0)),
      next_block_size_(std::exchange(other.next_block_size_, 0)),
      packed_mode_(std::exchange(other.packed_mode_, false)),
      packed_(std::move(other.packed_)) {
  other.ForgetFound();
}

RecordTree& RecordTree::operator=(RecordTree&& other) noexcept {
  if (this != &other) {
    Destroy(root_);
    ReleaseBlocks();
    root_ = std::exchange(other.root_, nullptr);
    ForgetFound();
    other.ForgetFound();
    seed_ = other.seed_;
    blocks_ = std::exchange(other.blocks_, {});
    free_ = std::exchange(other.free_, nullptr);
    block_next_ = std::exchange(other.block_next_, nullptr);
    block_left_ = std::exchange(other.block_left_, 0);
    next_block_size_ = std::exchange(other.next_block_size_, 0);
    packed_mode_ = std::exchange(other.packed_mode_, false);
    packed_ = std::move(other.packed_);
  }
  return *this;
}

// Ends the records' lifetimes; the slots go back with the blocks.
void RecordTree::Destroy(Node* n) {
  ForEachNodeOnce(n, [](Node* x) { x->~Node(); });
}

void RecordTree::Clear() {
  ForgetFound();
  Destroy(root_);
  root_ = nullptr;
  ReleaseBlocks();
  packed_mode_ = false;
  packed_ = PackedPage();
}

void RecordTree::AdoptPacked(PackedPage&& page) {
  Clear();
  packed_ = std::move(page);
  packed_mode_ = true;
}

void RecordTree::Pack() {
  if (packed_mode_ || !root_) return;
  PackedPage page;
  page.records.reserve(size());
  size_t total = 0;
  ForEachNode([&](const Record& r) { total += r.bytes.size(); });
  page.bytes.reserve(total);
  ForEachNode([&](const Record& r) {
    PackedRecord p;
    p.offset = static_cast<uint32_t>(page.bytes.size());
    p.length = static_cast<uint16_t>(r.bytes.size());
    p.key_length = r.key_length;
    p.child = r.child;
    page.bytes.append(r.bytes);
    page.records.push_back(p);
  });
  AdoptPacked(std::move(page));
}

void RecordTree::ReleasePacked(PackedPage* out) {
  if (!packed_mode_) return;
  *out = std::move(packed_);
  packed_ = PackedPage();
  packed_mode_ = false;
}

void RecordTree::Unpack() {
  if (!packed_mode_) return;
  std::vector<Record> records(packed_.records.size());
  for (size_t i = 0; i < records.size(); ++i) At(i).CopyTo(&records[i]);
  BuildFromSorted(std::move(records));
}

size_t RecordTree::SizeOf(const Node* n) { return n ? n->size : 0; }

void RecordTree::Update(Node* n) { n->size = 1 + SizeOf(n->left) + SizeOf(n->right); }

uint32_t RecordTree::NextPriority() {
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  return seed_;
}

void RecordTree::Split(Node* n, size_t pos, Node** left, Node** right) {
  if (!n) {
    *left = *right = nullptr;
    return;
  }
  if (SizeOf(n->left) < pos) {
    Split(n->right, pos - SizeOf(n->left) - 1, &n->right, right);
    *left = n;
  } else {
    Split(n->left, pos, left, &n->left);
    *right = n;
  }
  Update(n);
}

RecordTree::Node* RecordTree::Merge(Node* a, Node* b) {
  if (!a) return b;
  if (!b) return a;
  if (a->priority >= b->priority) {
    a->right = Merge(a->right, b);
    Update(a);
    return a;
  }
  b->left = Merge(a, b->left);
  Update(b);
  return b;
}

RecordTree::Node* RecordTree::NodeAt(size_t pos) const {
  Node* n = root_;
  while (n) {
    size_t ls = SizeOf(n->left);
    if (pos < ls) {
      n = n->left;
    } else if (pos == ls) {
      return n;
    } else {
      pos -= ls + 1;
      n = n->right;
    }
  }
  return nullptr;
}

RecordView RecordTree::TreeAt(size_t pos) const {
  if (found_) {
    if (found_pos_ == pos) return RecordView(found_->record);
    if (found_next_ && found_pos_ + 1 == pos) return RecordView(found_next_->record);
  }
  const Node* n = NodeAt(pos);
  found_ = n;
  found_pos_ = pos;
  found_next_ = nullptr;
  return RecordView(n->record);
}

Record& RecordTree::MutableAt(size_t pos) {
  Unpack();
  return NodeAt(pos)->record;
}

// Binary search of the packed records: how many keys are below `key`, or
// not above it with `or_equal`.
size_t RecordTree::PackedCountBelow(std::string_view key, bool or_equal) const {
  const char* const bytes = packed_.bytes.data();
  const int limit = or_equal ? 1 : 0;
  size_t lo = 0, hi = packed_.records.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const PackedRecord& r = packed_.records[mid];
    if (CompareKeysQuick(std::string_view(bytes + r.offset, r.key_length), key) < limit) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

size_t RecordTree::LowerBound(std::string_view key) const {
  if (packed_mode_) return PackedCountBelow(key, false);
  size_t pos = 0, result = size();
  const Node* hit = nullptr;
  Node* n = root_;
  while (n) {
    PrefetchChildren(n);
    if (CompareKeysQuick(n->record.key(), key) >= 0) {
      result = pos + SizeOf(n->left);
      hit = n;
      n = n->left;
    } else {
      pos += SizeOf(n->left) + 1;
      n = n->right;
    }
  }
  if (hit) {
    found_ = hit;
    found_pos_ = result;
    found_next_ = nullptr;
  }
  return result;
}

ptrdiff_t RecordTree::Floor(std::string_view key) const {
  if (packed_mode_) return static_cast<ptrdiff_t>(PackedCountBelow(key, true)) - 1;
  ptrdiff_t result = -1;
  size_t pos = 0;
  const Node* hit = nullptr;
  const Node* next = nullptr;  // the last node passed on its left: the floor's successor
  Node* n = root_;
  while (n) {
    PrefetchChildren(n);
    if (CompareKeysQuick(n->record.key(), key) <= 0) {
      result = static_cast<ptrdiff_t>(pos + SizeOf(n->left));
      hit = n;
      pos += SizeOf(n->left) + 1;
      n = n->right;
    } else {
      next = n;
      n = n->left;
    }
  }
  if (hit) {
    found_ = hit;
    found_pos_ = static_cast<size_t>(result);
    found_next_ = next;
  }
  return result;
}

bool RecordTree::Insert(Record record, size_t* pos) {
  if (packed_mode_ || pos) {
    const size_t at = LowerBound(record.key());
    if (at < size() && At(at).key() == record.key()) return false;
    if (packed_mode_) {
      InsertAt(at, std::move(record));
    } else {
      InsertByKey(std::move(record));
    }
    if (pos) *pos = at;
    return true;
  }
  const std::string_view key = record.key();
  for (const Node* n = root_; n;) {
    PrefetchChildren(n);
    const int c = CompareKeysQuick(n->record.key(), key);
    if (c == 0) return false;
    n = c > 0 ? n->left : n->right;
  }
  InsertByKey(std::move(record));
  return true;
}

// The node goes where the key search meets the first node of lower
// priority, taking that subtree split by its key as children. Unlike a
// split and two merges by position, only nodes on the search path are
// read, and that path is in the processor's cache from the check before.
void RecordTree::InsertByKey(Record record) {
  ForgetFound();
  Node* node = NewNode();
  node->record = std::move(record);
  node->priority = NextPriority();
  const std::string_view key = node->record.key();
  Node** link = &root_;
  while (*link && (*link)->priority >= node->priority) {
    Node* n = *link;
    ++n->size;
    link = CompareKeysQuick(n->record.key(), key) > 0 ? &n->left : &n->right;
  }
  node->size = 1 + SizeOf(*link);
  SplitByKey(*link, key, &node->left, &node->right);
  *link = node;
}

// Splits the subtree under `n` (no key equal to `key`) into the keys below
// and above `key`; returns how many went below. Sizes are derived from the
// path's own nodes, never from a child off the path.
size_t RecordTree::SplitByKey(Node* n, std::string_view key, Node** below, Node** above) {
  if (!n) {
    *below = *above = nullptr;
    return 0;
  }
  const size_t total = n->size;
  if (CompareKeysQuick(n->record.key(), key) < 0) {
    const size_t right_size = SizeOf(n->right);
    const size_t moved_below = SplitByKey(n->right, key, &n->right, above);
    n->size = total - (right_size - moved_below);
    *below = n;
    return n->size;
  }
  const size_t kept_below = SplitByKey(n->left, key, below, &n->left);
  n->size = total - kept_below;
  *above = n;
  return kept_below;
}

void RecordTree::InsertAt(size_t pos, Record record) {
  Unpack();
  ForgetFound();
  Node* node = NewNode();
  node->record = std::move(record);
  node->priority = NextPriority();
  Node *a, *b;
  Split(root_, pos, &a, &b);
  root_ = Merge(Merge(a, node), b);
}

Record RecordTree::EraseAt(size_t pos) {
  Unpack();
  ForgetFound();
  Node *a, *b, *mid;
  Split(root_, pos, &a, &b);
  Split(b, 1, &mid, &b);
  Record out = std::move(mid->record);
  FreeNode(mid);
  root_ = Merge(a, b);
  return out;
}

RecordTree RecordTree::SplitOff(size_t pos) {
  Unpack();
  ForgetFound();
  Node* upper = nullptr;
  Split(root_, pos, &root_, &upper);
  // The upper records move into a block of the new tree, so each tree owns
  // only its own nodes; their old slots serve this tree's next inserts.
  std::vector<Record> records;
  records.reserve(SizeOf(upper));
  std::vector<Node*> stack;
  for (Node* n = upper; n || !stack.empty(); n = n->right) {
    while (n) {
      stack.push_back(n);
      n = n->left;
    }
    n = stack.back();
    stack.pop_back();
    records.push_back(std::move(n->record));
  }
  ForEachNodeOnce(upper, [this](Node* x) { FreeNode(x); });
  RecordTree right;
  right.seed_ = seed_ ^ 0x5bd1e995u;
  right.BuildFromSorted(std::move(records));
  return right;
}

void RecordTree::ForEachMutable(const std::function<void(Record&)>& fn) {
  Unpack();
  ForEachNode([&](const Record& r) { fn(const_cast<Record&>(r)); });
}

size_t RecordTree::FixSizes(Node* n) {
  if (!n) return 0;
  n->size = 1 + FixSizes(n->left) + FixSizes(n->right);
  return n->size;
}

// The Cartesian-tree construction: keep the right spine on a stack; a new
// node adopts the popped part of the spine as its left subtree.
void RecordTree::BuildFromSorted(std::vector<Record>&& records) {
  Clear();
  if (records.empty()) return;
  Node* slots = NewBlock(records.size());
  std::vector<Node*> spine;
  for (size_t i = 0; i < records.size(); ++i) {
    Record& r = records[i];
    Node* node = new (static_cast<void*>(&slots[i])) Node;
    node->record = std::move(r);
    node->priority = NextPriority();
    Node* last = nullptr;
    while (!spine.empty() && spine.back()->priority < node->priority) {
      last = spine.back();
      spine.pop_back();
    }
    node->left = last;
    if (!spine.empty()) spine.back()->right = node;
    spine.push_back(node);
  }
  root_ = spine.empty() ? nullptr : spine.front();
  FixSizes(root_);
  records.clear();
}

// Nodes and their bytes lie wherever the inserts left them, so the walk
// asks for a node's right subtree and bytes as soon as the node is reached
// on the way down: both arrive while the left subtree is visited.
void RecordTree::ForEachNode(const std::function<void(const Record&)>& fn) const {
  std::vector<Node*> stack;
  stack.reserve(64);
  Node* n = root_;
  while (n || !stack.empty()) {
    while (n) {
      __builtin_prefetch(n->right);
      __builtin_prefetch(n->record.bytes.data());
      stack.push_back(n);
      n = n->left;
    }
    n = stack.back();
    stack.pop_back();
    fn(n->record);
    n = n->right;
  }
}

}  // namespace kestrel
