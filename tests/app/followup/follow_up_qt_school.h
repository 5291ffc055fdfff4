// The sample school of follow_up_school.h with the program's windows shown
// by the Qt back-end: one QApplication for the test program (offscreen
// unless QT_QPA_PLATFORM names a platform) and a QtBackend for each test.
#pragma once

#include <QApplication>
#include <memory>

#include "follow_up_school.h"
#include "runtime/ui/qt/qt_backend.h"

namespace app::testing {

class FollowUpQtSchool : public FollowUpSchool {
 public:
  static void SetUpTestSuite() {
    FollowUpSchool::SetUpTestSuite();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) app_ = new QApplication(argc_, argv_);
  }

 protected:
  void SetUp() override {
    FollowUpSchool::SetUp();
    backend_ = std::make_unique<ui::qt::QtBackend>();
  }
  void TearDown() override {
    backend_.reset();
    FollowUpSchool::TearDown();
  }

  std::unique_ptr<ui::qt::QtBackend> backend_;

 private:
  static inline int argc_ = 1;
  static inline char name_[20] = "app_followup_test";
  static inline char* argv_[2] = {name_, nullptr};
  static inline QApplication* app_ = nullptr;
};

}  // namespace app::testing
