// krl exec: drives the Kestrel file driver with JSON lines on standard
// input, one answer line per request on standard output. An answer is
// written and flushed only after its operation has committed (inside a
// transaction or stream mode, the commit or flush answers for the changes).
#include <iostream>

#include "tools/krl/command.h"
#include "tools/krl/exec_session.h"

namespace krl {
namespace {

int Run(const std::vector<std::string>& args, Io& io) {
  if (!args.empty()) {
    io.err << "usage: krl exec < REQUESTS\n";
    return kExitFailed;
  }
  ExecSession session;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    io.out << session.Handle(line) << "\n";
    io.out.flush();
  }
  return kExitOk;
}

}  // namespace

KRL_COMMAND(exec, "exec", "run JSON-line requests against Kestrel tables (stdin -> stdout)", Run);

}  // namespace krl
