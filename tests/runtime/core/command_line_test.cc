// The suite's one command-line behaviour, on a program with an option of
// its own and on one made of commands.
#include "runtime/core/command_line.h"

#include <gmock/gmock.h>

#include <sstream>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
  std::optional<int> done;
  std::string out, err;
};

Outcome Parse(CLI::App& app, const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Outcome o;
  o.done = rt::ParseCommandLine(app, args, out, err);
  o.out = out.str();
  o.err = err.str();
  return o;
}

TEST(CommandLineTest, HelpVersionAndRefusalsAnswerAlike) {
  struct Case {
    std::vector<std::string> args;
    std::optional<int> done;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {{}, std::nullopt, "", ""},
      {{"--dir", "x"}, std::nullopt, "", ""},
      {{"--help"}, 0, "Usage: prog [OPTIONS]", ""},
      {{"-h"}, 0, "--dir", ""},
      {{"--version"}, 0, "prog 2.5.1\n", ""},
      {{"--nope"}, 2, "", "prog: unknown option --nope\nRun 'prog --help' for more information.\n"},
      {{"--dir"}, 2, "", "prog: --dir needs a value\n"},
      {{"stray"}, 2, "", "prog: unexpected argument stray\n"},
  };
  for (const Case& c : cases) {
    auto app = rt::MakeCommandLine("prog", "A test program.", "2.5.1");
    std::string dir;
    app->add_option("--dir", dir, "data folder");
    const Outcome o = Parse(*app, c.args);
    const std::string args = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.done, c.done) << args;
    EXPECT_THAT(o.out, HasSubstr(c.out)) << args;
    EXPECT_THAT(o.err, StartsWith(c.err)) << args;
    if (c.done.value_or(0) == 0) {
      EXPECT_EQ(o.err, "") << args;
    }
  }
}

TEST(CommandLineTest, CommandsAreNamedInTheirMessages) {
  auto app = rt::MakeCommandLine("tool", "A tool of commands.");
  app->require_subcommand(1);
  CLI::App* run = app->add_subcommand("run", "run it");
  std::string file;
  run->add_option("FILE", file)->required();

  Outcome o = Parse(*app, {"walk"});
  EXPECT_EQ(o.done, rt::kExitUsage);
  EXPECT_EQ(o.err, "tool: unknown command walk\nRun 'tool --help' for more information.\n");
  o = Parse(*app, {"run"});
  EXPECT_EQ(o.done, rt::kExitUsage);
  EXPECT_EQ(o.err, "tool run: FILE is required\nRun 'tool run --help' for more information.\n");
  o = Parse(*app, {"run", "--help"});
  EXPECT_EQ(o.done, 0);
  EXPECT_THAT(o.out, HasSubstr("Usage: tool run [OPTIONS] FILE"));

  // A fault the parser cannot see is reported the same way.
  auto again = rt::MakeCommandLine("tool", "A tool of commands.");
  CLI::App* sub = again->add_subcommand("run", "run it");
  ASSERT_FALSE(Parse(*again, {"run"}).done.has_value());
  std::ostringstream err;
  EXPECT_EQ(rt::UsageError(*sub, "FILE and --all exclude each other", err), 2);
  EXPECT_EQ(err.str(), "tool run: FILE and --all exclude each other\nRun 'tool run --help' for more information.\n");
}

}  // namespace
