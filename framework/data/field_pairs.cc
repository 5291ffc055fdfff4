#include "framework/data/field_pairs.h"

namespace fw {

FieldPairsClass::~FieldPairsClass() = default;

void FieldPairsClass::Init() { Kill(); }

void FieldPairsClass::Kill() {
  List.clear();
  items_.clear();
}

void FieldPairsClass::AddPair(const rt::FieldRef& left, const rt::FieldRef& right) {
  List.push_back(Pair{left, right});
}

void FieldPairsClass::AddItem(const rt::FieldRef& left) {
  items_.push_back(std::make_unique<FieldValue>(left));
  rt::FieldRef copy = items_.back()->ref();
  AssignValue(copy, left);
  AddPair(left, copy);
}

void FieldPairsClass::AssignLeftToRight() {
  for (const Pair& p : List) AssignValue(p.Right, p.Left);
}

void FieldPairsClass::AssignRightToLeft() {
  for (const Pair& p : List) AssignValue(p.Left, p.Right);
}

void FieldPairsClass::ClearLeft() {
  for (const Pair& p : List) ClearValue(p.Left);
}

void FieldPairsClass::ClearRight() {
  for (const Pair& p : List) ClearValue(p.Right);
}

bool FieldPairsClass::Equal() { return EqualLeftRight(); }

bool FieldPairsClass::EqualLeftRight() {
  for (const Pair& p : List) {
    if (!SameValue(p.Left, p.Right)) return false;
  }
  return true;
}

}  // namespace fw
