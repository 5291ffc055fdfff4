// Field pairs with a third, private value per pair: the buffer, of the
// right field's type and cleared at first. Relations keep the parent's
// linking values there before a form lets the user change them.
#pragma once

#include <memory>
#include <vector>

#include "framework/data/field_pairs.h"

namespace fw {

class BufferedPairsClass : public FieldPairsClass {
 public:
  void Kill() override;
  void AddPair(const rt::FieldRef& left, const rt::FieldRef& right) override;

  void AssignLeftToBuffer();
  void AssignRightToBuffer();
  void AssignBufferToLeft();
  void AssignBufferToRight();
  // True when every pair's left (right) side equals its buffer: as
  // upper-case text unless `exact`, then as values.
  bool EqualLeftBuffer(bool exact = false);
  bool EqualRightBuffer(bool exact = false);

  rt::FieldRef Buffer(size_t i) const { return Buffers[i]->ref(); }

  std::vector<std::unique_ptr<FieldValue>> Buffers;  // parallel to List
};

}  // namespace fw
