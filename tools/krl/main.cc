// krl COMMAND ARGS...: inspects Kestrel files straight from their bytes.
#include <iostream>

#include "tools/krl/command.h"

int main(int argc, char** argv) {
  krl::Io io{std::cout, std::cerr};
  std::vector<std::string> args(argv + 1, argv + argc);
  const krl::Command* command = args.empty() ? nullptr : krl::FindCommand(args[0]);
  if (command == nullptr) {
    std::ostream& os = args.empty() || args[0] == "help" || args[0] == "--help" ? std::cout : std::cerr;
    if (!args.empty() && args[0] != "help" && args[0] != "--help") os << "krl: unknown command " << args[0] << "\n";
    os << "usage: krl COMMAND ARGS\n";
    for (const krl::Command& c : krl::Commands()) os << "  krl " << c.usage << "\n      " << c.summary << "\n";
    return args.empty() || args[0] == "help" || args[0] == "--help" ? krl::kExitOk : krl::kExitUsage;
  }
  args.erase(args.begin());
  const int status = command->run(args, io);
  io.out.flush();
  return status;
}
