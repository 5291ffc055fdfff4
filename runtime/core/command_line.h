// Command-line parsing shared by every program of the suite (qvnotas, krl,
// qvdata), so that all of them answer alike:
//
//   -h, --help         the usage text on standard output; exit status 0
//   --version          "<program> <version>" on standard output; exit 0
//   an unknown option, a missing argument or option value, an extra
//   argument, a value outside its choices:
//                      "<program>: <what is wrong>" and
//                      "Run '<program> --help' for more information."
//                      on standard error; exit status 2 (kExitUsage)
//
// A program declares its options and subcommands with CLI11 on the App that
// MakeCommandLine returns, then calls ParseCommandLine; a nullopt answer
// means "parsed, go on", anything else is the exit status to return.
//
//   auto app = rt::MakeCommandLine("qvnotas", "grade books of a school");
//   std::string dir;
//   app->add_option("--dir", dir, "data folder");
//   if (auto done = rt::ParseCommandLine(*app, argc, argv, std::cout, std::cerr)) return *done;
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace rt {

inline constexpr int kExitUsage = 2;

// The version every program of the suite reports.
inline constexpr char kSuiteVersion[] = "1.0.0";

// An App with the suite's help and version flags and its error texts.
std::unique_ptr<CLI::App> MakeCommandLine(const std::string& program, const std::string& description,
                                          const std::string& version = kSuiteVersion);

// `args` are the words after the program name.
std::optional<int> ParseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err);
std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                                    std::ostream& err);

// Reports a fault found after parsing (a combination of options the parser
// cannot check) like the parser's own faults; returns kExitUsage.
int UsageError(const CLI::App& app, const std::string& message, std::ostream& err);

// The program's name followed by the chain of selected subcommands, as the
// messages name it ("qvdata import"); `app` may be any App of the tree.
std::string CommandPath(const CLI::App& app);

}  // namespace rt
