#include "runtime/view/bindings.h"

#include "runtime/core/error_state.h"

namespace rt {

namespace {

std::string key(std::string_view name) {
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return upperText(name);
}

Value fieldValue(const FieldRef& ref) {
  const FieldDecl& d = ref.decl();
  const FileControlBlock& f = *ref.file;
  if (isIntegerType(d.type)) {
    if (auto v = getInteger(f, ref.field, ref.element)) return Value(*v);
  } else if (isDecimalType(d.type)) {
    if (auto v = getDecimal(f, ref.field, ref.element)) return Value(*v);
  } else if (isTextType(d.type)) {
    if (auto v = getText(f, ref.field, ref.element)) return Value(std::move(*v));
  } else if (d.type == FieldType::kDate) {
    if (auto v = getDate(f, ref.field, ref.element)) return Value(int64_t{*v});
  } else if (d.type == FieldType::kGroup) {
    auto b = fieldBytes(f, ref.field, ref.element);
    return Value(std::string(reinterpret_cast<const char*>(b.data()), b.size()));
  } else if (auto t = getValueText(ref)) {
    if (auto n = Decimal::Parse(*t)) return Value(*n);
    return Value(std::move(*t));
  }
  return Value();
}

}  // namespace

Value BoundSource::read() const {
  switch (kind) {
    case Kind::kField: return field.valid() ? fieldValue(field) : Value();
    case Kind::kMemo:
      if (file) {
        if (auto m = getMemo(*file, memo)) return Value(std::move(*m));
      }
      return Value::Text("");
    case Kind::kText: return Value(*static_cast<const std::string*>(variable));
    case Kind::kNumber: return Value(*static_cast<const Decimal*>(variable));
    case Kind::kInt32: return Value(int64_t{*static_cast<const int32_t*>(variable)});
    case Kind::kInt64: return Value(*static_cast<const int64_t*>(variable));
    case Kind::kGetter: return getter ? getter() : Value();
  }
  return Value();
}

Bindings::Bindings() : scopes_(1) {}

void Bindings::Put(std::string_view name, BoundSource source) {
  BindingPtr& slot = scopes_.back().names[key(name)];
  if (slot) slot->alive = false;
  slot = std::make_shared<Binding>(Binding{std::move(source), true});
}

void Bindings::Bind(std::string_view name, FieldRef field) {
  BoundSource s;
  s.kind = BoundSource::Kind::kField;
  s.field = field;
  Put(name, std::move(s));
}

void Bindings::BindMemo(std::string_view name, FileControlBlock& file, int memo) {
  BoundSource s;
  s.kind = BoundSource::Kind::kMemo;
  s.file = &file;
  s.memo = memo;
  Put(name, std::move(s));
}

#define QV_BIND_VARIABLE(T, K)                                   \
  void Bindings::Bind(std::string_view name, const T* variable) { \
    BoundSource s;                                                \
    s.kind = BoundSource::Kind::K;                                \
    s.variable = variable;                                        \
    Put(name, std::move(s));                                      \
  }
QV_BIND_VARIABLE(std::string, kText)
QV_BIND_VARIABLE(Decimal, kNumber)
QV_BIND_VARIABLE(int32_t, kInt32)
QV_BIND_VARIABLE(int64_t, kInt64)
#undef QV_BIND_VARIABLE

void Bindings::BindGetter(std::string_view name, std::function<Value()> getter) {
  BoundSource s;
  s.kind = BoundSource::Kind::kGetter;
  s.getter = std::move(getter);
  Put(name, std::move(s));
}

void Bindings::BindFile(FileControlBlock& file) {
  const FileDecl& d = file.decl();
  for (size_t i = 0; i < d.fields.size(); ++i) {
    Bind(d.fields[i].label, FieldRef{&file, static_cast<int>(i), 0});
  }
  for (size_t m = 0; m < d.memos.size(); ++m) BindMemo(d.memos[m].label, file, static_cast<int>(m));
}

bool Bindings::Unbind(std::string_view name) {
  const std::string k = key(name);
  for (size_t i = scopes_.size(); i-- > 0;) {
    auto it = scopes_[i].names.find(k);
    if (it != scopes_[i].names.end()) {
      it->second->alive = false;
      scopes_[i].names.erase(it);
      return true;
    }
    if (scopes_[i].hides_outer) break;
  }
  return false;
}

void Bindings::UnbindFile(const FileControlBlock& file) {
  for (Scope& scope : scopes_) {
    for (auto it = scope.names.begin(); it != scope.names.end();) {
      const BoundSource& s = it->second->source;
      const bool of_file = (s.kind == BoundSource::Kind::kField && s.field.file == &file) ||
                           (s.kind == BoundSource::Kind::kMemo && s.file == &file);
      if (of_file) {
        it->second->alive = false;
        it = scope.names.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void Bindings::PushScope(bool hide_outer) {
  scopes_.emplace_back();
  scopes_.back().hides_outer = hide_outer;
}

int32_t Bindings::PopScope() {
  if (scopes_.size() == 1) {
    postError(Error_MismatchedBindScopes);
    return Error_MismatchedBindScopes;
  }
  for (auto& [name, binding] : scopes_.back().names) binding->alive = false;
  scopes_.pop_back();
  return 0;
}

BindingPtr Bindings::Find(std::string_view name) const {
  const std::string k = key(name);
  for (size_t i = scopes_.size(); i-- > 0;) {
    auto it = scopes_[i].names.find(k);
    if (it != scopes_[i].names.end()) return it->second;
    if (scopes_[i].hides_outer) break;
  }
  return nullptr;
}

bool Bindings::Resolve(std::string_view name, BoundSource* source, BindingPtr* keep) const {
  BindingPtr b = Find(name);
  if (b) {
    *source = b->source;
    *keep = std::move(b);
    return true;
  }
  // An element of a bound array field: "PRE:MARK[3]".
  const size_t open = name.find('[');
  if (open == std::string_view::npos || name.back() != ']') return false;
  b = Find(name.substr(0, open));
  if (!b || b->source.kind != BoundSource::Kind::kField) return false;
  int sub = 0;
  for (char c : name.substr(open + 1, name.size() - open - 2)) {
    if (c < '0' || c > '9' || sub > 100000) return false;
    sub = sub * 10 + (c - '0');
  }
  BoundSource s = b->source;
  s.field.element = sub - 1;
  if (sub < 1 || !s.field.valid()) return false;
  *source = std::move(s);
  *keep = std::move(b);
  return true;
}

Bindings& threadBindings() {
  thread_local Bindings bindings;
  return bindings;
}

}  // namespace rt
