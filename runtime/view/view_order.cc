#include "runtime/view/view_order.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/trim.h"
#include "runtime/view/value.h"

namespace rt {

namespace {

bool stripCall(std::string_view* s, std::string_view fn) {
  if (s->size() < fn.size() + 2 || upperText(s->substr(0, fn.size())) != fn) return false;
  std::string_view rest = trim(s->substr(fn.size()));
  if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return false;
  *s = trim(rest.substr(1, rest.size() - 2));
  return true;
}

}  // namespace

int32_t parseOrder(FileControlBlock& file, std::string_view text, std::vector<OrderComponent>* out) {
  out->clear();
  if (rt::trim(text, rt::kBlankOrTab).empty()) return 0;
  size_t at = 0;
  for (;;) {
    size_t comma = text.find(',', at);
    std::string_view part =
        rt::trim(text.substr(at, comma == std::string_view::npos ? text.npos : comma - at), rt::kBlankOrTab);
    OrderComponent c;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
      c.descending = part.front() == '-';
      part = rt::trim(part.substr(1), rt::kBlankOrTab);
    }
    if (stripCall(&part, "UPPER")) {
      c.fold = 1;
    } else if (stripCall(&part, "LOWER")) {
      c.fold = -1;
    }
    c.field = findFieldRef(file, part);
    if (part.empty() || !c.field.valid()) {
      out->clear();
      return Error_InvalidIndexString;
    }
    out->push_back(c);
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  return 0;
}

KeyChoice chooseKey(const FileDecl& decl, const std::vector<OrderComponent>& order) {
  KeyChoice best;
  if (order.empty()) return best;
  for (size_t k = 0; k < decl.keys.size(); ++k) {
    const KeyDecl& key = decl.keys[k];
    if (key.dynamic() || key.components.empty()) continue;
    const size_t m = std::min(order.size(), key.components.size());
    if (order.size() > key.components.size() && key.duplicates()) continue;
    bool ok = true;
    bool reverse = false;
    for (size_t i = 0; i < m && ok; ++i) {
      const OrderComponent& o = order[i];
      const KeyComponentDecl& kc = key.components[i];
      if (kc.field != o.field.field || o.field.element != 0) ok = false;
      const bool text = isTextType(decl.fields[kc.field].type) || decl.fields[kc.field].type == FieldType::kGroup;
      if (text && (o.fold != 0) != key.noCase()) ok = false;
      const bool rev = kc.descending != o.descending;
      if (i == 0) reverse = rev;
      if (rev != reverse) ok = false;
    }
    if (!ok) continue;
    if (best.key < 0 || (key.excludeBlank() == false && decl.keys[best.key].excludeBlank())) {
      best.key = static_cast<int>(k);
      best.reverse = reverse;
      best.matched = m;
    }
  }
  return best;
}

}  // namespace rt
