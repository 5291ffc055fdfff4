#include "app/dictionary/settings_store.h"

#include <string>

#include "app/dictionary/app_messages.h"
#include "app/dictionary/globals.h"
#include "runtime/core/private_profile.h"

namespace app {

void SettingsStore::Update(std::string_view sector, std::string_view name, std::string_view value,
                           std::string_view file) {
  if (NVType != 0) {
    fw::INIClass::Update(sector, name, value, file);
    return;
  }
  bool written;
  {
    fw::CriticalProcedure cp(CritSect.GetIface());
    written = rt::writeProfileString(sector, name, value, std::string(file));
  }
  if (written) return;
  // One message for the whole run: a window position is several writes,
  // and every window saves its own.
  if (failedWrites_++ == 0) GlobalErrors.ThrowFile(Msg_SettingsNotSaved, file);
}

}  // namespace app
