#ifndef RUNTIME_KESTREL_STORE_RECORD_TREE_H_
#define RUNTIME_KESTREL_STORE_RECORD_TREE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/page.h"
#include "runtime/kestrel/format/record.h"

namespace kestrel {

// A record of a RecordTree seen in place; valid until the tree changes.
struct RecordView {
  std::string_view bytes;
  uint16_t key_length = 0;
  uint32_t child = 0;

  RecordView() = default;
  RecordView(std::string_view b, uint16_t k, uint32_t c) : bytes(b), key_length(k), child(c) {}
  RecordView(const Record& r) : bytes(r.bytes), key_length(r.key_length), child(r.child) {}  // NOLINT

  std::string_view key() const { return bytes.substr(0, key_length); }
  std::string_view value() const { return bytes.substr(key_length); }
  void CopyTo(Record* out) const {
    out->bytes.assign(bytes.data(), bytes.size());
    out->key_length = key_length;
    out->child = child;
  }
};

// The records of one cached page. A page fresh from the file keeps its
// records packed in one buffer, which serves reads by binary search; the
// first change turns them into a treap ordered by key whose nodes know the
// size of their subtree, so records are counted and reached by position.
class RecordTree {
 public:
  RecordTree() = default;
  ~RecordTree();
  RecordTree(RecordTree&& other) noexcept;
  RecordTree& operator=(RecordTree&& other) noexcept;
  RecordTree(const RecordTree&) = delete;
  RecordTree& operator=(const RecordTree&) = delete;

  size_t size() const { return packed_mode_ ? packed_.records.size() : SizeOf(root_); }
  bool empty() const { return size() == 0; }
  RecordView At(size_t pos) const {
    if (!packed_mode_) return TreeAt(pos);
    const PackedRecord& r = packed_.records[pos];
    return RecordView(std::string_view(packed_.bytes.data() + r.offset, r.length), r.key_length, r.child);
  }
  Record& MutableAt(size_t pos);

  // Position of the first record whose key is not smaller than `key`
  // (size() when none).
  size_t LowerBound(std::string_view key) const;
  // Position of the last record whose key is not greater than `key`, or -1.
  ptrdiff_t Floor(std::string_view key) const;

  // Inserts in key order; false (tree unchanged) when the key exists.
  bool Insert(Record record, size_t* pos = nullptr);
  // Inserts at `pos`; the caller keeps the order.
  void InsertAt(size_t pos, Record record);
  Record EraseAt(size_t pos);
  // Moves the records from `pos` on into the returned tree.
  RecordTree SplitOff(size_t pos);
  void Clear();

  template <typename Fn>
  void ForEach(Fn&& fn) const {
    if (packed_mode_) {
      for (size_t i = 0; i < packed_.records.size(); ++i) fn(At(i));
    } else {
      ForEachNode([&](const Record& r) { fn(RecordView(r)); });
    }
  }
  // Visits the records in order for moving them out and back in; the
  // caller must leave the keys as they were.
  void ForEachMutable(const std::function<void(Record&)>& fn);
  // Replaces the contents with records already in key order, in linear time.
  void BuildFromSorted(std::vector<Record>&& records);
  // Replaces the contents with a decoded page's records, kept packed.
  void AdoptPacked(PackedPage&& page);
  // Packs the records into one buffer, for pages that are read far more
  // often than changed: searches then touch two arrays instead of chasing
  // nodes. The next change unpacks them again.
  void Pack();
  // Gives the packed buffers back (empty when the tree is not packed), so
  // their allocations can serve the next page.
  void ReleasePacked(PackedPage* out);
  bool packed() const { return packed_mode_; }

 private:
  struct Node;
  static size_t SizeOf(const Node* n);
  static void Update(Node* n);
  static void Split(Node* n, size_t pos, Node** left, Node** right);
  static Node* Merge(Node* a, Node* b);
  static size_t SplitByKey(Node* n, std::string_view key, Node** below, Node** above);
  void InsertByKey(Record record);
  // Nodes come from blocks the tree owns, handed out in turn; freed slots
  // are reused, and the blocks are given back whole with the tree, which
  // spares the heap one allocation and one free per record.
  Node* NewNode();
  void FreeNode(Node* n);
  Node* NewBlock(size_t count);
  void ReleaseBlocks();
  static void Destroy(Node* n);
  static size_t FixSizes(Node* n);
  Node* NodeAt(size_t pos) const;
  size_t PackedCountBelow(std::string_view key, bool or_equal) const;
  RecordView TreeAt(size_t pos) const;
  uint32_t NextPriority();
  void ForEachNode(const std::function<void(const Record&)>& fn) const;
  // Turns packed records into the treap before a change.
  void Unpack();

  // Forgets the node remembered by the last search.
  void ForgetFound() const { found_ = found_next_ = nullptr; }

  Node* root_ = nullptr;
  // The node the last search ended on and its position: a search is mostly
  // followed by reading the record it found, which then needs no walk.
  mutable const Node* found_ = nullptr;
  mutable size_t found_pos_ = 0;
  // The record after found_ when the search met it (null when unknown):
  // a descent reads a floor's successor as the end of the child's range.
  mutable const Node* found_next_ = nullptr;
  uint32_t seed_ = 0x9E3779B9u;
  struct FreeSlot;
  std::vector<Node*> blocks_;
  FreeSlot* free_ = nullptr;
  Node* block_next_ = nullptr;  // unused part of the newest block
  size_t block_left_ = 0;
  size_t next_block_size_ = 0;
  bool packed_mode_ = false;
  PackedPage packed_;
};

}  // namespace kestrel

#endif  // RUNTIME_KESTREL_STORE_RECORD_TREE_H_
