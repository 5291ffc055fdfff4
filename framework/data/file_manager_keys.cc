// Key descriptions of a file manager.
#include <string>

#include "framework/data/file_manager.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/file_decl.h"
#include "runtime/core/trim.h"

namespace fw {

namespace {

constexpr size_t kDescriptionMax = 80;

}  // namespace

void FileManager::AddKey(int key, std::string_view description, uint8_t autoIncComponent) {
  const rt::FileDecl& d = Block().decl();
  if (key < 0 || static_cast<size_t>(key) >= d.keys.size()) {
    rt::assertionFailed("Key does not exist in this file");
    return;
  }
  const rt::KeyDecl& kd = d.keys[key];
  KeyEntry e;
  e.Key = key;
  e.Description = std::string(description.substr(0, kDescriptionMax));
  e.AutoInc = autoIncComponent;
  e.Dups = kd.duplicates();
  e.NoCase = kd.noCase();
  for (const rt::KeyComponentDecl& c : kd.components) {
    if (c.field >= d.fields.size()) continue;
    const rt::FieldDecl& f = d.fields[c.field];
    KeyField kf;
    kf.Field = c.field;
    kf.Ascend = !c.descending;
    kf.FieldName = e.NoCase && rt::isTextType(f.type) ? "UPPER(" + f.label + ")" : f.label;
    e.Fields.push_back(std::move(kf));
  }
  if (autoIncComponent != 0) HasAutoInc = true;
  Keys.push_back(std::move(e));
  if (kd.primary()) PrimaryKey = static_cast<uint8_t>(Keys.size());
}

int FileManager::KeyIndex(int key) {
  for (size_t i = 0; i < Keys.size(); ++i) {
    if (Keys[i].Key == key) return static_cast<int>(i);
  }
  rt::assertionFailed("Key does not exist in this file");
  return -1;
}

const FileManager::KeyEntry* FileManager::KeyOf(int key, int n) {
  int i = KeyIndex(key);
  if (i < 0) return nullptr;
  if (n < 1 || n > static_cast<int>(Keys[i].Fields.size())) {
    rt::assertionFailed("Key does not have component of this number :" + std::to_string(n));
    return nullptr;
  }
  return &Keys[i];
}

int FileManager::PrimaryKeyIndex() const {
  return PrimaryKey > 0 && PrimaryKey <= Keys.size() ? Keys[PrimaryKey - 1].Key : -1;
}

std::string FileManager::KeyName(const KeyEntry& k) const {
  std::string name(rt::trimRight(k.Description));
  if (name.empty() && File && k.Key >= 0 && static_cast<size_t>(k.Key) < File->decl().keys.size()) {
    name = File->decl().keys[k.Key].label;
  }
  return name;
}

void FileManager::SetKey(int key) {
  UseFile(kUseRead);
  KeyIndex(key);
}

std::string FileManager::KeyToOrder(int key, int firstComponent) {
  if (key < 0) return {};
  int i = KeyIndex(key);
  if (i < 0) return {};
  if (firstComponent < 1) firstComponent = 1;
  std::string order;
  const std::vector<KeyField>& fields = Keys[i].Fields;
  for (size_t c = firstComponent - 1; c < fields.size(); ++c) {
    if (!order.empty()) order += ',';
    if (!fields[c].Ascend) order += '-';
    order += fields[c].FieldName;
  }
  return order;
}

void FileManager::ClearKey(int key, int firstComponent, int lastComponent, bool highEnd) {
  int i = KeyIndex(key);
  if (i < 0) return;
  rt::FileControlBlock& b = Block();
  const std::vector<KeyField>& fields = Keys[i].Fields;
  if (firstComponent < 1) firstComponent = 1;
  const int last = std::min<int>(lastComponent, static_cast<int>(fields.size()));
  for (int c = firstComponent; c <= last; ++c) {
    const KeyField& f = fields[c - 1];
    const bool high = highEnd == f.Ascend;  // the end of the range in key order
    rt::clearField(b, f.Field, high ? 1 : -1);
  }
}

int FileManager::GetComponents(int key) {
  int i = KeyIndex(key);
  return i < 0 ? 0 : static_cast<int>(Keys[i].Fields.size());
}

rt::FieldRef FileManager::GetField(int key, int n) {
  const KeyEntry* k = KeyOf(key, n);
  return k ? rt::FieldRef{&Block(), k->Fields[n - 1].Field, 0} : rt::FieldRef{};
}

std::string FileManager::GetFieldName(int key, int n) {
  const KeyEntry* k = KeyOf(key, n);
  return k ? k->Fields[n - 1].FieldName : std::string();
}

bool FileManager::GetFieldAscending(int key, int n) {
  const KeyEntry* k = KeyOf(key, n);
  return k ? k->Fields[n - 1].Ascend : false;
}

}  // namespace fw
