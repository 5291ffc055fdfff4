#include "tools/krl/command.h"

#include <algorithm>

namespace krl {

namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

}  // namespace

bool RegisterCommand(Command command) {
  auto& r = Registry();
  r.push_back(std::move(command));
  std::sort(r.begin(), r.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
  return true;
}

const std::vector<Command>& Commands() { return Registry(); }

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Registry()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace krl
