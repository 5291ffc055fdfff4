// Names an expression may use, bound by the program: record fields by
// label, memos, and program variables. Bindings live in nested scopes; the
// innermost binding of a name wins, and a scope pushed with `hide_outer`
// hides everything bound outside it until it is popped.
//
//   Bindings& b = threadBindings();
//   b.PushScope();
//   b.BindFile(grades);                  // every field and memo by label
//   b.Bind("LOC:SUBJECT", &subject);     // a program variable
//   ... compile and evaluate expressions ...
//   b.PopScope();                        // 1012 when nothing was pushed
//
// An expression compiled against a binding that has since been unbound or
// popped fails to evaluate with 1014 instead of reading a stale variable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/core/decimal.h"
#include "runtime/core/file_field.h"
#include "runtime/view/value.h"

namespace rt {

// What a name reads.
struct BoundSource {
  enum class Kind : uint8_t { kField, kMemo, kText, kNumber, kInt32, kInt64, kGetter };
  Kind kind = Kind::kNumber;
  FieldRef field;                    // kField
  FileControlBlock* file = nullptr;  // kMemo
  int memo = -1;                     // kMemo
  const void* variable = nullptr;    // kText, kNumber, kInt32, kInt64
  std::function<Value()> getter;     // kGetter

  Value read() const;
};

struct Binding {
  BoundSource source;
  bool alive = true;
};
using BindingPtr = std::shared_ptr<Binding>;

// Resolves the names of an expression while it compiles. `keep` receives
// the binding to check for liveness at evaluation, or stays empty for a
// source that lives as long as the caller guarantees (a view's own fields).
class NameResolver {
 public:
  virtual ~NameResolver() = default;
  virtual bool Resolve(std::string_view name, BoundSource* source, BindingPtr* keep) const = 0;
};

class Bindings : public NameResolver {
 public:
  Bindings();

  void Bind(std::string_view name, FieldRef field);
  void BindMemo(std::string_view name, FileControlBlock& file, int memo);
  void Bind(std::string_view name, const std::string* text);
  void Bind(std::string_view name, const Decimal* number);
  void Bind(std::string_view name, const int32_t* number);
  void Bind(std::string_view name, const int64_t* number);
  void BindGetter(std::string_view name, std::function<Value()> getter);
  // Every field (array elements by "[n]" as findFieldRef reads them) and
  // every memo of the file, by label.
  void BindFile(FileControlBlock& file);
  // Removes the innermost visible binding of the name; false when unbound.
  bool Unbind(std::string_view name);
  // Removes every binding, in every scope, of a field or memo of `file`
  // (when the file's instance goes away).
  void UnbindFile(const FileControlBlock& file);

  void PushScope(bool hide_outer = false);
  // 0, or 1012 when no scope was pushed (the error is also posted).
  int32_t PopScope();
  size_t depth() const { return scopes_.size() - 1; }

  BindingPtr Find(std::string_view name) const;
  bool Resolve(std::string_view name, BoundSource* source, BindingPtr* keep) const override;

 private:
  struct Scope {
    bool hides_outer = false;
    std::unordered_map<std::string, BindingPtr> names;  // upper-case name
  };
  void Put(std::string_view name, BoundSource source);

  std::vector<Scope> scopes_;
};

// The calling thread's bindings (what the runtime's BIND family works on).
Bindings& threadBindings();

}  // namespace rt
