// The part of a filter that limits a key range: equality terms on the
// leading components of the key the view reads, then at most one pair of
// bounds (>=, >, <=, <) on the next component. The view seeks to the range
// and stops where it ends; the remaining terms are tested per record.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "runtime/core/file_control.h"
#include "runtime/view/expression.h"

namespace rt {

struct RangeTerm {
  size_t component = 0;  // key component
  int conjunct = -1;     // the term's node
  int field_node = -1;   // the side that reads the component
  int value_node = -1;   // the side that does not read the file
  ExprOp op = ExprOp::kEq;  // with the component on the left
};

struct RangePlan {
  std::vector<RangeTerm> eq;      // components 0 .. eq.size()-1
  std::optional<RangeTerm> low;   // on component eq.size(): >= or >
  std::optional<RangeTerm> high;  // on component eq.size(): <= or <
  std::vector<int> residual;      // conjuncts the range does not cover
  bool empty() const { return eq.empty() && !low && !high; }
};

// `components`: how many leading components of `key` the view's order
// follows (a range may only use those).
RangePlan planRange(const Expression& filter, const FileControlBlock& file, const KeyDecl& key, size_t components);

}  // namespace rt
