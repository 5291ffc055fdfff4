// Driver commands: "WORD" or "WORD=VALUE", the word compared without regard
// to case. The driver string given with the driver name carries the same
// commands, each introduced by "/".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct SendCommand {
  std::string word;  // upper case, blanks trimmed
  bool has_value = false;
  std::string value;  // blanks trimmed
};

SendCommand ParseSendCommand(std::string_view text);

// "/FULLBUILD=ON /TCF=x" -> {"FULLBUILD=ON", "TCF=x"}. A "/" opens a command
// at the start or after a blank. Text outside a "/"
// part is ignored.
std::vector<std::string> DriverStringCommands(std::string_view driver_string);

// "ON"/"OFF" switch values; anything else leaves *on unchanged and returns false.
bool ParseSwitch(std::string_view value, bool* on);

}  // namespace kestrel
