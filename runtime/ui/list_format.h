// List column formats written as text, as window definitions give them:
//
//   217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@
//
// Per column: the width in dialog units; the alignment L, R, C or D with an
// optional "(indent)"; then, in any order, "|" right border, "_" underline,
// "M" resizable, "~header~" with an optional alignment and "(indent)" of its
// own, "S(n)" scroll width, "#n#" field number, "*" or "Y" (colours from the
// rows, accepted and ignored); the "@picture@" ends the column. Field numbers
// not given count on from the previous column's.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/window_def.h"

namespace ui {

// Reads as many columns as the text holds; malformed parts end the list.
std::vector<ListColumn> parseListFormat(const std::string& format);

}  // namespace ui
