// The qvdata commands. Each takes the arguments after its name, writes its
// results to `out` and its reports to `err`, and returns the exit status.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qvdata {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // bad input or a failed write: nothing changed
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;

int RunDemo(const Args& args, std::ostream& out, std::ostream& err);
int RunImport(const Args& args, std::ostream& out, std::ostream& err);
int RunEnroll(const Args& args, std::ostream& out, std::ostream& err);
int RunExport(const Args& args, std::ostream& out, std::ostream& err);

// The whole program: argv without the program name.
int RunQvdata(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace qvdata
