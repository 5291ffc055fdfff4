#include "framework/data/buffered_pairs.h"

namespace fw {

namespace {

bool Same(const rt::FieldRef& a, const rt::FieldRef& b, bool exact) {
  return exact ? SameValue(a, b) : SameUpperText(a, b);
}

}  // namespace

void BufferedPairsClass::Kill() {
  FieldPairsClass::Kill();
  Buffers.clear();
}

void BufferedPairsClass::AddPair(const rt::FieldRef& left, const rt::FieldRef& right) {
  FieldPairsClass::AddPair(left, right);
  Buffers.push_back(std::make_unique<FieldValue>(right));
}

void BufferedPairsClass::AssignLeftToBuffer() {
  for (size_t i = 0; i < List.size(); ++i) AssignValue(Buffer(i), List[i].Left);
}

void BufferedPairsClass::AssignRightToBuffer() {
  for (size_t i = 0; i < List.size(); ++i) AssignValue(Buffer(i), List[i].Right);
}

void BufferedPairsClass::AssignBufferToLeft() {
  for (size_t i = 0; i < List.size(); ++i) AssignValue(List[i].Left, Buffer(i));
}

void BufferedPairsClass::AssignBufferToRight() {
  for (size_t i = 0; i < List.size(); ++i) AssignValue(List[i].Right, Buffer(i));
}

bool BufferedPairsClass::EqualLeftBuffer(bool exact) {
  for (size_t i = 0; i < List.size(); ++i) {
    if (!Same(List[i].Left, Buffer(i), exact)) return false;
  }
  return true;
}

bool BufferedPairsClass::EqualRightBuffer(bool exact) {
  for (size_t i = 0; i < List.size(); ++i) {
    if (!Same(List[i].Right, Buffer(i), exact)) return false;
  }
  return true;
}

}  // namespace fw
