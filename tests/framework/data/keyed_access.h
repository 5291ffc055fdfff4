// A file manager as the dictionary derives one, over a test table: it
// initialises itself on a declared file and describes the file's keys on
// first use. Tests, fixtures and benchmarks derive from it to watch or
// steer single operations.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"

namespace fwtest {

class KeyedAccess : public fw::FileManager {
 public:
  // Keys: (declared index, description, numbered component; 0 for none).
  using KeyList = std::vector<std::tuple<int, std::string, int>>;

  KeyedAccess(rt::DeclaredFile* file, fw::ErrorClass* errors, KeyList keys, bool create = true)
      : file_(file), errors_(errors), keys_(std::move(keys)), create_(create) {
    Init();
  }
  ~KeyedAccess() override { Kill(); }

  void Init() override {
    Initialized = false;
    FileNameValue = file_->decl().label;
    SetErrors(errors_);
    File = file_;
    FileManager::Init();
  }
  using FileManager::Init;

  fw::Level UseFile(uint8_t kind) override {
    if (kind != fw::kUseInit) {
      UseFile(fw::kUseInit);
    } else if (!Initialized) {
      ++InUseFile;
      FileManager::Init(File, Errors);
      Create = create_;
      DescribeKeys();
      --InUseFile;
    }
    return FileManager::UseFile(kind);
  }

  // Field access by position.
  rt::FieldRef ref(int field) { return rt::FieldRef{&Block(), field, 0}; }
  std::string text(int field) { return rt::getValueText(ref(field)).value_or("?"); }
  void set(int field, const std::string& value) { rt::setValueText(ref(field), value); }

 protected:
  // Runs once, at the first use: the keys and whatever else the dictionary
  // would set there.
  virtual void DescribeKeys() {
    for (const auto& [key, description, autoInc] : keys_) AddKey(key, description, uint8_t(autoInc));
  }

  rt::DeclaredFile* file_;
  fw::ErrorClass* errors_;
  KeyList keys_;
  bool create_;
};

}  // namespace fwtest
