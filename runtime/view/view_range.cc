#include "runtime/view/view_range.h"

#include <algorithm>

namespace rt {

namespace {

ExprOp mirrored(ExprOp op) {
  switch (op) {
    case ExprOp::kLt: return ExprOp::kGt;
    case ExprOp::kGt: return ExprOp::kLt;
    case ExprOp::kLe: return ExprOp::kGe;
    case ExprOp::kGe: return ExprOp::kLe;
    default: return op;
  }
}

class Matcher {
 public:
  Matcher(const Expression& e, const FileControlBlock& file, const KeyDecl& key)
      : e_(e), file_(file), key_(key) {}

  // Whether the node reads the key's component `c` the way the key orders
  // it: the plain field, or UPPER/LOWER of a text field of a
  // case-insensitive key.
  bool IsComponent(int node, size_t c, bool* folded) const {
    const ExprNode* n = &e_.nodes()[node];
    const int field = key_.components[c].field;
    const FieldDecl& fd = file_.decl().fields[field];
    const bool text = isTextType(fd.type);
    *folded = false;
    if (n->op == ExprOp::kCall && (n->func == ExprFunc::kUpper || n->func == ExprFunc::kLower) &&
        n->args.size() == 1 && n->args[0] >= 0) {
      *folded = true;
      n = &e_.nodes()[n->args[0]];
    }
    if (n->op != ExprOp::kOperand) return false;
    const BoundSource& s = e_.operands()[n->operand].source;
    if (s.kind != BoundSource::Kind::kField || s.field.file != &file_ || s.field.field != field ||
        s.field.element != 0) {
      return false;
    }
    if (text) return *folded == key_.noCase();
    return !*folded;
  }

  bool ReadsFile(int node) const {
    return e_.Reads(node, [&](const ExprOperand& o) {
      return (o.source.kind == BoundSource::Kind::kField && o.source.field.file == &file_) ||
             (o.source.kind == BoundSource::Kind::kMemo && o.source.file == &file_);
    });
  }

  // The conjunct as "component <op> value", or nothing.
  std::optional<RangeTerm> Term(int conjunct, size_t c) const {
    const ExprNode& n = e_.nodes()[conjunct];
    if (!isComparison(n.op) || n.op == ExprOp::kNe) return std::nullopt;
    bool folded = false;
    RangeTerm t;
    t.component = c;
    t.conjunct = conjunct;
    if (IsComponent(n.a, c, &folded) && !ReadsFile(n.b)) {
      t.field_node = n.a;
      t.value_node = n.b;
      t.op = n.op;
    } else if (IsComponent(n.b, c, &folded) && !ReadsFile(n.a)) {
      t.field_node = n.b;
      t.value_node = n.a;
      t.op = mirrored(n.op);
    } else {
      return std::nullopt;
    }
    // Folded text orders differently in the key (which folds to lower case)
    // than in comparisons: bounds on it cannot limit the range.
    if (t.op != ExprOp::kEq && folded) return std::nullopt;
    return t;
  }

 private:
  const Expression& e_;
  const FileControlBlock& file_;
  const KeyDecl& key_;
};

}  // namespace

RangePlan planRange(const Expression& filter, const FileControlBlock& file, const KeyDecl& key, size_t components) {
  RangePlan plan;
  if (!filter.compiled()) return plan;
  std::vector<int> conjuncts = filter.Conjuncts();
  std::vector<bool> used(conjuncts.size(), false);
  Matcher m(filter, file, key);
  components = std::min(components, key.components.size());
  size_t c = 0;
  for (; c < components; ++c) {
    bool found = false;
    for (size_t i = 0; i < conjuncts.size() && !found; ++i) {
      if (used[i]) continue;
      std::optional<RangeTerm> t = m.Term(conjuncts[i], c);
      if (t && t->op == ExprOp::kEq) {
        plan.eq.push_back(*t);
        used[i] = found = true;
      }
    }
    if (!found) break;
  }
  if (c < components) {
    for (size_t i = 0; i < conjuncts.size(); ++i) {
      if (used[i]) continue;
      std::optional<RangeTerm> t = m.Term(conjuncts[i], c);
      if (!t) continue;
      const bool low = t->op == ExprOp::kGe || t->op == ExprOp::kGt;
      std::optional<RangeTerm>& slot = low ? plan.low : plan.high;
      if (slot) continue;
      slot = t;
      used[i] = true;
    }
  }
  for (size_t i = 0; i < conjuncts.size(); ++i) {
    if (!used[i]) plan.residual.push_back(conjuncts[i]);
  }
  return plan;
}

}  // namespace rt
