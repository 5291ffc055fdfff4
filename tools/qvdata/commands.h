// The qvdata commands. A command is one cmd_<name>.cc file with a Setup
// function that declares its arguments on its CLI11 subcommand and returns
// the function that runs it; run.cc lists the commands. The runner writes
// its results to `out` and its reports to `err` and returns the exit status.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/core/command_line.h"

namespace qvdata {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // bad input or a failed write: nothing changed
inline constexpr int kExitUsage = rt::kExitUsage;

using Args = std::vector<std::string>;
using Runner = std::function<int(std::ostream& out, std::ostream& err)>;
using SetupFn = Runner (*)(CLI::App& command);

Runner SetupDemo(CLI::App& command);
Runner SetupImport(CLI::App& command);
Runner SetupEnroll(CLI::App& command);
Runner SetupExport(CLI::App& command);
Runner SetupRecalc(CLI::App& command);
Runner SetupExplain(CLI::App& command);
Runner SetupHistory(CLI::App& command);
Runner SetupSheet(CLI::App& command);

// The whole program: argv without the program name.
int RunQvdata(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace qvdata
