// Order texts ("PRE:A,-UPPER(PRE:B)") and the key that reads them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/core/file_field.h"

namespace rt {

struct OrderComponent {
  FieldRef field;
  bool descending = false;
  int fold = 0;  // UPPER(...) 1, LOWER(...) -1, plain 0
};

// Parses a comma-separated order text: each component a field label of
// `file`, optionally with "+" or "-" before it and inside UPPER(...) or
// LOWER(...). 0, or 76 ("Invalid Index String") for an unknown label or a
// malformed component. An empty text gives no components.
int32_t parseOrder(FileControlBlock& file, std::string_view text, std::vector<OrderComponent>* out);

struct KeyChoice {
  int key = -1;          // index into decl().keys; -1: no key reads the order
  bool reverse = false;  // read the key backwards
  // Components of the order the key orders by (the rest are decided by the
  // key's uniqueness, or do not matter).
  size_t matched = 0;
};

// The key whose leading components are the order's fields in the order's
// directions (all reversed reads the key backwards), with case-insensitive
// keys for UPPER/LOWER text components and case-sensitive keys for plain
// ones. A key with fewer components qualifies when it is unique. A key
// that keeps blank entries is preferred to one that leaves them out (an
// order read through the latter does not show records whose components are
// all blank: the key has no entry for them).
KeyChoice chooseKey(const FileDecl& decl, const std::vector<OrderComponent>& order);

}  // namespace rt
