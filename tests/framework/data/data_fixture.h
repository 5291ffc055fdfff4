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
#include "keyed_access.h"
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

// A file manager as the dictionary derives it, with the deletions logged
// and refused on request.
class TestAccess : public KeyedAccess {
 public:
  using KeyedAccess::KeyedAccess;

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

  std::vector<std::string>* deleteLog = nullptr;
  std::vector<bool>* cursorLog = nullptr;  // the wait cursor at each delete
  int refuseDeletes = 0;

 protected:
  void DescribeKeys() override {
    KeyedAccess::DescribeKeys();
    LockRecover = 10;
  }
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
