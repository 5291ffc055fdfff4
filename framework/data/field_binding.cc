#include "framework/data/field_binding.h"

#include <cctype>
#include <map>
#include <string>

namespace fw {

namespace {

thread_local bool table_gone = false;

struct Table {
  std::map<std::string, BoundName> names;
  ~Table() { table_gone = true; }
};

// nullptr once the thread's table is gone (a file discarded as the thread ends).
std::map<std::string, BoundName>* Names() {
  if (table_gone) return nullptr;
  thread_local Table table;
  return &table.names;
}

std::string Key(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

void Bind(std::string_view name, BoundName target) {
  if (auto* names = Names()) (*names)[Key(name)] = target;
}

}  // namespace

void BindField(std::string_view name, rt::FileControlBlock& file, int field) {
  Bind(name, BoundName{&file, field, -1});
}

void BindMemo(std::string_view name, rt::FileControlBlock& file, int memo) {
  Bind(name, BoundName{&file, -1, memo});
}

const BoundName* FindBoundName(std::string_view name) {
  auto* names = Names();
  if (!names) return nullptr;
  auto it = names->find(Key(name));
  return it == names->end() ? nullptr : &it->second;
}

void UnbindFile(const rt::FileControlBlock& file) {
  auto* names = Names();
  if (!names) return;
  std::erase_if(*names, [&](const auto& entry) { return entry.second.file == &file; });
}

}  // namespace fw
