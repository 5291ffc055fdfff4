#ifndef RUNTIME_KESTREL_STORE_RECORD_TREE_H_
#define RUNTIME_KESTREL_STORE_RECORD_TREE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/record.h"

namespace kestrel {

// The records of one cached page: a treap ordered by key whose nodes know
// the size of their subtree, so records are counted and reached by position.
class RecordTree {
 public:
  RecordTree() = default;
  ~RecordTree();
  RecordTree(RecordTree&& other) noexcept;
  RecordTree& operator=(RecordTree&& other) noexcept;
  RecordTree(const RecordTree&) = delete;
  RecordTree& operator=(const RecordTree&) = delete;

  size_t size() const;
  bool empty() const { return root_ == nullptr; }
  const Record& At(size_t pos) const;
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

  void ForEach(const std::function<void(const Record&)>& fn) const;
  // Visits the records in order for moving them out and back in; the
  // caller must leave the keys as they were.
  void ForEachMutable(const std::function<void(Record&)>& fn);
  // Replaces the contents with records already in key order, in linear time.
  void BuildFromSorted(std::vector<Record>&& records);

 private:
  struct Node;
  static size_t SizeOf(const Node* n);
  static void Update(Node* n);
  static void Split(Node* n, size_t pos, Node** left, Node** right);
  static Node* Merge(Node* a, Node* b);
  static Node* NewNode();
  static void FreeNode(Node* n);
  static void Destroy(Node* n);
  static size_t FixSizes(Node* n);
  Node* NodeAt(size_t pos) const;
  uint32_t NextPriority();

  Node* root_ = nullptr;
  uint32_t seed_ = 0x9E3779B9u;
  // Nodes of a decoded page come in one block; trees split off it share it.
  std::vector<std::shared_ptr<void>> blocks_;
};

}  // namespace kestrel

#endif  // RUNTIME_KESTREL_STORE_RECORD_TREE_H_
