// Sort orders, range limits and filters of a ViewManager, and the order and
// filter texts the view gets from them.
#include <algorithm>
#include <string>

#include "framework/data/file_manager.h"
#include "framework/data/message_ids.h"
#include "framework/data/relation_manager.h"
#include "framework/data/view_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_decl.h"
#include "runtime/view/view.h"

namespace fw {

namespace {

constexpr size_t kMaxFilterText = 4999;
constexpr size_t kMaxFieldName = 499;
constexpr size_t kMaxValueText = 1999;
constexpr size_t kFilterIdSize = 30;

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

bool SameField(const rt::FieldRef& a, const rt::FieldRef& b) {
  return a.file == b.file && a.field == b.field && a.element == b.element;
}

std::string ValueText(const rt::FieldRef& f) {
  if (!f.valid()) return {};
  return rt::getValueText(f).value_or(std::string());
}

}  // namespace

SortOrder::~SortOrder() = default;

std::unique_ptr<SortOrder> ViewManager::NewSortOrder() { return std::make_unique<SortOrder>(); }

SortOrder* ViewManager::CurrentOrder() const {
  if (!Order || Order->Current == 0 || Order->Current > Order->Entries.size()) return nullptr;
  return Order->Entries[Order->Current - 1].get();
}

size_t ViewManager::AddSortOrder(int key) {
  if (!Order) {
    rt::Assert(false, "Unable to add new sort order.");
    return 0;
  }
  std::unique_ptr<SortOrder> s = NewSortOrder();
  s->MainKey = key;
  s->RangeList = std::make_unique<BufferedPairsClass>();
  s->RangeList->Init();
  FileManager* me = Me();
  if (me && key >= 0 && me->GetComponents(key) > 0) s->FreeElement = me->GetField(key, 1);
  Order->Entries.push_back(std::move(s));
  Order->Current = Order->Entries.size();
  SetOrder(me && key >= 0 ? me->KeyToOrder(key, 1) : std::string());
  return Order->Entries.size();
}

void ViewManager::SetOrder(std::string_view text) {
  SortOrder* s = CurrentOrder();
  if (!s) {
    rt::Assert(false, "View does not have any sort orders defined");
    return;
  }
  s->Order = IsBlank(text) ? std::string() : std::string(text);
}

void ViewManager::AppendOrder(std::string_view text) {
  SortOrder* s = CurrentOrder();
  if (!s || s->Order.empty()) {
    SetOrder(text);
  } else if (!text.empty() && text.front() == '*') {
    SetOrder(text.substr(1));
  } else {
    SetOrder(s->Order + "," + std::string(text));
  }
}

SortOrder* ViewManager::LimitMajorComponents(const rt::FieldRef& field, uint8_t kind) {
  SortOrder* s = CurrentOrder();
  if (!s) {
    rt::Assert(false, "View does not have any sort orders defined");
    return nullptr;
  }
  s->LimitType = kind;
  s->RangeList->Init();
  FileManager* me = Me();
  if (me && s->MainKey >= 0) {
    int n = me->GetComponents(s->MainKey);
    for (int i = 1; i <= n; ++i) {
      rt::FieldRef c = me->GetField(s->MainKey, i);
      if (SameField(c, field)) break;
      s->RangeList->AddItem(c);
    }
  }
  return s;
}

void ViewManager::SetFreeElement(SortOrder& s) {
  size_t pos = GetFreeElementPosition();
  FileManager* me = Me();
  if (pos != 0 && me) s.FreeElement = me->GetField(s.MainKey, int(pos));
  else s.FreeElement = rt::FieldRef{};
  SetOrder(me && s.MainKey >= 0 ? me->KeyToOrder(s.MainKey, 1) : std::string());
}

void ViewManager::AddRange(const rt::FieldRef& field) {
  SortOrder* s = LimitMajorComponents(field, 1);
  if (!s) return;
  s->RangeList->AddItem(field);
  SetFreeElement(*s);
}

void ViewManager::AddRange(const rt::FieldRef& field, const rt::FieldRef& limit) {
  SortOrder* s = LimitMajorComponents(field, 2);
  if (!s) return;
  s->RangeList->AddItem(limit);
  SetFreeElement(*s);
}

void ViewManager::AddRange(const rt::FieldRef& field, const rt::FieldRef& low, const rt::FieldRef& high) {
  SortOrder* s = LimitMajorComponents(field, 3);
  if (!s) return;
  s->RangeList->AddItem(low);
  s->RangeList->AddItem(high);
  SetFreeElement(*s);
}

void ViewManager::AddRange(const rt::FieldRef& field, const std::vector<rt::FieldRef>& related) {
  SortOrder* s = CurrentOrder();
  if (!s) {
    rt::Assert(false, "View does not have any sort orders defined");
    return;
  }
  s->LimitType = 4;
  s->RangeList->Init();
  FileManager* me = Me();
  if (me && s->MainKey >= 0) {
    int n = me->GetComponents(s->MainKey);
    for (int i = 1; i <= n && size_t(i) <= related.size(); ++i) {
      rt::FieldRef c = me->GetField(s->MainKey, i);
      s->RangeList->AddPair(c, related[i - 1]);
      if (SameField(c, field)) break;
    }
  }
  SetFreeElement(*s);
}

size_t ViewManager::GetFreeElementPosition() {
  SortOrder* s = CurrentOrder();
  if (!s) return 0;
  size_t n = s->RangeList ? s->RangeList->size() : 0;
  if (s->LimitType != 3) ++n;
  FileManager* me = Me();
  if (s->MainKey < 0 || !me || size_t(me->GetComponents(s->MainKey)) < n) return 0;
  return n;
}

std::string ViewManager::GetFreeElementName() {
  size_t pos = GetFreeElementPosition();
  FileManager* me = Me();
  return pos && me ? me->GetFieldName(CurrentOrder()->MainKey, int(pos)) : std::string();
}

bool ViewManager::GetFreeElementAscending() {
  size_t pos = GetFreeElementPosition();
  FileManager* me = Me();
  return pos && me ? me->GetFieldAscending(CurrentOrder()->MainKey, int(pos)) : true;
}

void ViewManager::SetFilter(std::string_view filter) { SetFilter(filter, kStandardFilterId); }

void ViewManager::SetFilter(std::string_view filter, std::string_view id) {
  SortOrder* s = CurrentOrder();
  if (!s) {
    rt::Assert(false, "View does not have any sort orders defined");
    return;
  }
  if (!s->Filter) s->Filter = std::make_unique<std::vector<FilterEntry>>();
  // Identifiers are 30-character texts: longer ones are cut, trailing
  // blanks do not count.
  std::string key(id.substr(0, kFilterIdSize));
  while (!key.empty() && key.back() == ' ') key.pop_back();
  std::vector<FilterEntry>& list = *s->Filter;
  auto it = std::lower_bound(list.begin(), list.end(), key,
                             [](const FilterEntry& e, const std::string& k) { return e.Id < k; });
  bool found = it != list.end() && it->Id == key;
  if (IsBlank(filter)) {
    if (found) list.erase(it);
  } else if (found) {
    it->Filter = std::string(filter);
  } else {
    list.insert(it, FilterEntry{key, std::string(filter)});
  }
}

bool ViewManager::SetSort(size_t number) {
  if (number == 0) number = 1;
  if (Order && number == Order->Current) return false;
  if (!Order || number > Order->Entries.size()) {
    rt::Assert(false, "Sort order does not exist:" + std::to_string(number));
    return false;
  }
  Order->Current = number;
  return true;
}

void ViewManager::ApplyOrder() {
  if (!View) return;
  SortOrder* s = CurrentOrder();
  if (View->SetOrder(s ? s->Order : std::string()) != 0) Throw(Msg_ViewOpenError);
}

std::string CasedValue(std::string_view name, const rt::FieldRef& left, const rt::FieldRef& right) {
  std::string value = ValueText(right);
  if (left.valid() && rt::isTextType(left.decl().type)) {
    if (value.size() > kMaxValueText) value.resize(kMaxValueText);
    std::string quoted = "'";
    for (char c : value) {
      quoted += c;
      if (c == '\'') quoted += '\'';
    }
    quoted += '\'';
    if (name.find("UPPER(") != std::string_view::npos) return "UPPER(" + quoted + ")";
    if (name.find("LOWER(") != std::string_view::npos) return "LOWER(" + quoted + ")";
    return quoted;
  }
  return value;
}

void ViewManager::ApplyFilter() {
  if (!View) return;
  std::string text;
  SortOrder* s = CurrentOrder();
  FileManager* me = Me();
  if (s && s->RangeList && s->LimitType != 0) {
    const auto& pairs = s->RangeList->List;
    size_t n = pairs.size();
    auto name = [&](size_t component) {
      std::string fieldName = me ? me->GetFieldName(s->MainKey, int(component)) : std::string();
      if (fieldName.size() > kMaxFieldName) fieldName.resize(kMaxFieldName);
      return fieldName;
    };
    size_t equalities = s->LimitType == 3 ? (n >= 2 ? n - 2 : 0) : n;
    for (size_t i = 1; i <= equalities; ++i) {
      std::string nm = name(i);
      if (i > 1) text += " AND ";
      text += nm + " = " + CasedValue(nm, pairs[i - 1].Left, pairs[i - 1].Right);
    }
    if (s->LimitType == 3 && n >= 2) {
      std::string nm = name(n - 1);
      if (!text.empty()) text += " AND ";
      text += nm + " >= " + CasedValue(nm, pairs[n - 2].Left, pairs[n - 2].Right);
      text += " AND " + nm + " <= " + CasedValue(nm, pairs[n - 1].Left, pairs[n - 1].Right);
    }
  }
  if (s && s->Filter) {
    for (const FilterEntry& f : *s->Filter) {
      text += text.empty() ? "(" : " AND (";
      text += f.Filter + ")";
    }
  }
  if (text.size() > kMaxFilterText) text.resize(kMaxFilterText);
  if (View->SetFilter(text) != 0) Throw(Msg_ViewOpenError);
}

bool ViewManager::ApplyRange() {
  SortOrder* s = CurrentOrder();
  if (!s || !s->RangeList) return false;
  auto& pairs = s->RangeList->List;
  size_t n = pairs.size();
  switch (s->LimitType) {
    case 3:
      if (n >= 2 && !SameValue(pairs[n - 2].Left, pairs[n - 2].Right)) {
        AssignValue(pairs[n - 2].Right, pairs[n - 2].Left);
        AssignValue(pairs[n - 1].Right, pairs[n - 1].Left);
        ApplyFilter();
        return true;
      }
      [[fallthrough]];
    case 2:
      if (n >= 1 && !SameValue(pairs[n - 1].Left, pairs[n - 1].Right)) {
        AssignValue(pairs[n - 1].Right, pairs[n - 1].Left);
        ApplyFilter();
        return true;
      }
      return false;
    case 4:
      // As upper-case text: a change of letter case alone is no new range.
      if (!s->RangeList->EqualRightBuffer(false)) {
        s->RangeList->AssignRightToBuffer();
        ApplyFilter();
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace fw
