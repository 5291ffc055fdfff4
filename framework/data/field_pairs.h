// Lists of field pairs (left, right) with assign, clear and compare
// operations over every pair, used by relations, views and browses.
//
//   FieldPairsClass p;
//   p.Init();
//   p.AddPair(rt::findFieldRef(parent, "PAR:ID"), rt::findFieldRef(child, "CHI:PARENT"));
//   p.AssignLeftToRight();            // child's link takes the parent's value
//   if (!p.EqualLeftRight()) ...
#pragma once

#include <memory>
#include <vector>

#include "framework/data/field_value.h"
#include "runtime/core/file_field.h"

namespace fw {

class FieldPairsClass {
 public:
  struct Pair {
    rt::FieldRef Left;
    rt::FieldRef Right;
  };

  FieldPairsClass() = default;
  virtual ~FieldPairsClass();
  FieldPairsClass(const FieldPairsClass&) = delete;
  FieldPairsClass& operator=(const FieldPairsClass&) = delete;

  virtual void Init();
  virtual void Kill();

  virtual void AddPair(const rt::FieldRef& left, const rt::FieldRef& right);
  // Pairs `left` with a private copy of its current value.
  void AddItem(const rt::FieldRef& left);

  void AssignLeftToRight();
  void AssignRightToLeft();
  void ClearLeft();
  void ClearRight();
  // True when every pair's sides hold equal values.
  bool Equal();
  bool EqualLeftRight();

  size_t size() const { return List.size(); }

  std::vector<Pair> List;

 private:
  std::vector<std::unique_ptr<FieldValue>> items_;  // the private copies of AddItem
};

}  // namespace fw
