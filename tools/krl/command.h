// The command registry of krl. A command is one cmd_<name>.cc file that
// registers itself:
//
//   static int Run(const std::vector<std::string>& args, krl::Io& io) { ... }
//   KRL_COMMAND(check, "check FILE", "verify every page and record", Run);
//
// The usage line's words after the name are the command's arguments
// ("FILE" required, "[TABLE]" optional): main checks them, so `args` holds
// the given ones in order. Run returns the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace krl {

// Exit statuses of every command. A command line the parser refuses exits
// with rt::kExitUsage (2) before any command runs.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;   // unreadable file, unknown table or key
inline constexpr int kExitInvalid = 2;  // not a Kestrel file (error 36)
inline constexpr int kExitCorrupt = 3;  // an internal consistency check failed

struct Io {
  std::ostream& out;
  std::ostream& err;
};

using RunFn = int (*)(const std::vector<std::string>& args, Io& io);

struct Command {
  std::string name;
  std::string usage;    // "dump FILE [TABLE]"
  std::string summary;  // one line for the help text
  RunFn run = nullptr;
};

// Adds a command; returns true so that it can initialise a static.
bool RegisterCommand(Command command);
// All commands, sorted by name.
const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

}  // namespace krl

#define KRL_COMMAND(name, usage, summary, fn) \
  static const bool krl_registered_##name = ::krl::RegisterCommand({#name, usage, summary, fn})
