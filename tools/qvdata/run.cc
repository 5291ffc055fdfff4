#include <memory>
#include <string>

#include "tools/qvdata/commands.h"

namespace qvdata {

namespace {

struct CommandEntry {
  const char* name;
  const char* summary;
  SetupFn setup;
};

// A new command is a cmd_<name>.cc file and one line here.
constexpr CommandEntry kCommands[] = {
    {"demo", "create a sample school", &SetupDemo},
    {"import", "add or update records from CSV files, all or nothing", &SetupImport},
    {"enroll", "add the missing grade-book rows", &SetupEnroll},
    {"export", "write every record of a table as CSV or JSON", &SetupExport},
    {"recalc", "give grade-book rows the grade rule's results, with their history", &SetupRecalc},
    {"explain", "why each grade-book row of a subject has its final grade and status", &SetupExplain},
    {"history", "the recorded changes of a subject's grades, oldest first", &SetupHistory},
    {"sheet", "print a subject's progress or contents sheet to PDF", &SetupSheet},
};

}  // namespace

int RunQvdata(const Args& args, std::ostream& out, std::ostream& err) {
  auto app = rt::MakeCommandLine("qvdata", "Puts a school's students, subjects, grade books and contents into its data files.");
  app->require_subcommand(1);
  std::vector<std::pair<CLI::App*, Runner>> runners;
  for (const CommandEntry& c : kCommands) {
    CLI::App* sub = app->add_subcommand(c.name, c.summary);
    runners.emplace_back(sub, c.setup(*sub));
  }
  if (auto done = rt::ParseCommandLine(*app, args, out, err)) return *done;
  for (auto& [sub, run] : runners) {
    if (sub->parsed()) return run(out, err);
  }
  return rt::UsageError(*app, "a command is required", err);
}

}  // namespace qvdata
