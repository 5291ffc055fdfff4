#include "runtime/core/command_line.h"

namespace rt {

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find(' ', at);
    if (end != at) words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return words;
}

// CLI11's texts, said plainly: "unknown option --x", "--f needs a value".
std::string Message(const CLI::ParseError& e) {
  std::string text = e.what();
  // By type: an ExtrasError of a subcommand carries the subcommand's name.
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
    const size_t colon = text.find(": ");
    if (colon == std::string::npos) return text;
    std::string options, arguments;
    for (const std::string& w : Words(text.substr(colon + 2))) {
      std::string& list = w.size() > 1 && w[0] == '-' ? options : arguments;
      list += (list.empty() ? "" : " ") + w;
    }
    if (!options.empty()) return "unknown option " + options;
    return "unexpected argument " + arguments;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr && text.find(" required ") != std::string::npos) {
    return text.substr(0, text.find(':')) + " needs a value";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && text.find("subcommand") != std::string::npos) return "a command is required";
  return text;
}

// A first word that names no command of a program made of commands.
std::string UnknownCommand(const CLI::App& app, const std::vector<std::string>& args) {
  const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
  if (commands.empty() || args.empty() || args[0].empty() || args[0][0] == '-') return {};
  for (const CLI::App* c : commands) {
    if (c->check_name(args[0])) return {};
  }
  return args[0];
}

}  // namespace

std::unique_ptr<CLI::App> MakeCommandLine(const std::string& program, const std::string& description,
                                          const std::string& version) {
  auto app = std::make_unique<CLI::App>(description, program);
  app->set_help_flag("-h,--help", "show this text and exit");
  app->set_version_flag("--version", program + " " + version, "show the version and exit");
  // Options of the program stay before its subcommand; a subcommand's
  // options belong to it.
  app->fallthrough(false);
  return app;
}

std::string CommandPath(const CLI::App& app) {
  const CLI::App* root = &app;
  while (root->get_parent() != nullptr) root = root->get_parent();
  std::string path = root->get_name();
  for (const CLI::App* at = root;;) {
    const auto subs = at->get_subcommands();
    if (subs.empty()) return path;
    at = subs.front();
    path += " " + at->get_name();
  }
}

int UsageError(const CLI::App& app, const std::string& message, std::ostream& err) {
  err << CommandPath(app) << ": " << message << "\n"
      << "Run '" << CommandPath(app) << " --help' for more information.\n";
  return kExitUsage;
}

std::optional<int> ParseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err) {
  // CLI11 takes the words last first.
  if (const std::string unknown = UnknownCommand(app, args); !unknown.empty()) {
    return UsageError(app, "unknown command " + unknown, err);
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    return UsageError(app, Message(e), err);
  }
  return std::nullopt;
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                                    std::ostream& err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return ParseCommandLine(app, args, out, err);
}

}  // namespace rt
