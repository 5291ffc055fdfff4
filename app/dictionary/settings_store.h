// The program's settings store: the framework's INI store on "QVAPP.INI"
// that also tells the user when the file cannot be written (a read-only
// folder, a full disk), once per run, and goes on without saving.
#pragma once

#include <string_view>

#include "framework/data/ini_class.h"

namespace app {

class SettingsStore : public fw::INIClass {
 public:
  // A new run of the store: its first failed write is told again.
  void Init(std::string_view fileName, int32_t nvType = 0, int32_t extraData = 0) {
    failedWrites_ = 0;
    fw::INIClass::Init(fileName, nvType, extraData);
  }
  using fw::INIClass::Update;
  void Update(std::string_view sector, std::string_view name, std::string_view value,
              std::string_view file) override;

  // Writes that failed since start-up.
  int failedWrites() const { return failedWrites_; }

 private:
  int failedWrites_ = 0;
};

}  // namespace app
