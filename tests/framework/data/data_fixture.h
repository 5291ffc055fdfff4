// Real Kestrel files in a scratch folder, managers set up the way the
// dictionary sets them up, and an error manager that records which
// messages it shows and answers the questions from a script.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/files_manager.h"
#include "runtime/ui/engine.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_instance.h"
#include "runtime/core/message_presenter.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "temp_dir.h"

namespace fwtest {

// Answers each message through `answer` (default button when unset).
class ScriptPresenter : public rt::MessagePresenter {
 public:
  ScriptPresenter() { previous_ = rt::setMessagePresenter(this); }
  ~ScriptPresenter() override { rt::setMessagePresenter(previous_); }
  uint32_t show(const rt::MessageRequest& r) override {
    shown.push_back(r);
    return answer ? answer(r) : r.defaultButton;
  }
  std::vector<rt::MessageRequest> shown;
  std::function<uint32_t(const rt::MessageRequest&)> answer;

 private:
  rt::MessagePresenter* previous_;
};

// Records the identifier of every message it shows; fatal messages return
// instead of ending the program.
class RecordingErrors : public fw::ErrorClass {
 public:
  uint32_t Msg(std::string_view text, std::string_view caption, uint32_t icon, uint32_t buttons,
               uint32_t defaultButton, uint32_t style) override {
    ids.push_back(GetErrorBufferId());
    texts.emplace_back(text);
    return ErrorClass::Msg(text, caption, icon, buttons, defaultButton, style);
  }
  fw::Level TakeFatal() override {
    Msg(SubsString(), GetErrorBufferTitle(), rt::Icon_Exclamation, rt::Button_Ok, rt::Button_Ok, 0);
    return fw::Level::Fatal;
  }
  std::vector<int> ids;
  std::vector<std::string> texts;
};

// A file manager as the dictionary derives it: initialises itself and
// describes its keys on first use.
class TestAccess : public fw::FileManager {
 public:
  // Keys: (declared index, description, numbered component).
  using KeyList = std::vector<std::tuple<int, std::string, int>>;

  TestAccess(rt::DeclaredFile* file, fw::ErrorClass* errors, KeyList keys, bool create = true)
      : file_(file), errors_(errors), keys_(std::move(keys)), create_(create) {
    Init();
  }
  ~TestAccess() override { Kill(); }

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
      LockRecover = 10;
      for (const auto& [key, description, autoInc] : keys_) AddKey(key, description, uint8_t(autoInc));
      --InUseFile;
    }
    return FileManager::UseFile(kind);
  }

  // Deletions as "label:id", in the order the runtime was asked for them.
  // The next `refuseDeletes` deletes are refused with "Access Denied".
  bool PreDelete(int32_t& code, std::string& message) override {
    if (refuseDeletes > 0) {
      --refuseDeletes;
      code = 5;
      return false;
    }
    if (deleteLog) deleteLog->push_back(file_->decl().label + ":" + text(0));
    if (cursorLog) cursorLog->push_back(ui::Engine::current().waitCursor());
    return FileManager::PreDelete(code, message);
  }

  // Field access by position.
  std::string text(int field) { return rt::getValueText(rt::FieldRef{&Block(), field, 0}).value_or("?"); }
  void set(int field, const std::string& value) { rt::setValueText(rt::FieldRef{&Block(), field, 0}, value); }
  rt::FieldRef ref(int field) { return rt::FieldRef{&Block(), field, 0}; }

  std::vector<std::string>* deleteLog = nullptr;
  std::vector<bool>* cursorLog = nullptr;  // the wait cursor at each delete
  int refuseDeletes = 0;

 private:
  rt::DeclaredFile* file_;
  fw::ErrorClass* errors_;
  KeyList keys_;
  bool create_;
};

inline bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

class DataTest : public ::testing::Test {
 protected:
  DataTest() {
    kestrel::RegisterKestrelDriver();
    fw::ThreadErrorStatus() = fw::ErrorStatusClass{};
    rt::clearError();
    errors.Init(fw::ThreadErrorStatus);
  }

  std::vector<std::string> assertions() const {
    std::vector<std::string> out;
    for (const auto& r : presenter.shown)
      if (r.caption == rt::kAssertionCaption) out.push_back(r.text);
    return out;
  }

  TempDir dir;
  ScriptPresenter presenter;
  RecordingErrors errors;
};

}  // namespace fwtest
