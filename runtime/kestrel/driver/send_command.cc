#include "runtime/kestrel/driver/send_command.h"

#include "runtime/core/trim.h"
#include "runtime/kestrel/driver/table_name.h"

namespace kestrel {

SendCommand ParseSendCommand(std::string_view text) {
  SendCommand c;
  const size_t eq = text.find('=');
  c.word = UpperName(rt::trim(text.substr(0, eq), rt::kBlankOrTab));
  if (eq != std::string_view::npos) {
    c.has_value = true;
    c.value = std::string(rt::trim(text.substr(eq + 1), rt::kBlankOrTab));
  }
  return c;
}

std::vector<std::string> DriverStringCommands(std::string_view s) {
  // A "/" opens a command at the start or after a blank, so that values
  // such as paths may contain "/".
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '/' && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t')) starts.push_back(i);
  }
  std::vector<std::string> out;
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : s.size();
    std::string_view part = rt::trim(s.substr(starts[k] + 1, end - starts[k] - 1), rt::kBlankOrTab);
    if (!part.empty()) out.emplace_back(part);
  }
  return out;
}

bool ParseSwitch(std::string_view value, bool* on) {
  const std::string v = UpperName(rt::trim(value, rt::kBlankOrTab));
  if (v == "ON") {
    *on = true;
    return true;
  }
  if (v == "OFF") {
    *on = false;
    return true;
  }
  return false;
}

}  // namespace kestrel
