// krl COMMAND ARGS...: inspects Kestrel files straight from their bytes.
#include <iostream>
#include <memory>

#include "runtime/core/command_line.h"
#include "tools/krl/command.h"

namespace {

// The arguments a command's usage line names after the command's name:
// "FILE" required, "[TABLE]" optional, in order.
std::vector<CLI::Option*> DeclareArguments(CLI::App& sub, const krl::Command& c, std::vector<std::string>* values) {
  std::vector<std::pair<std::string, bool>> words;  // name, required
  size_t at = c.usage.find(' ');
  while (at != std::string::npos && at < c.usage.size()) {
    const size_t start = c.usage.find_first_not_of(' ', at);
    if (start == std::string::npos) break;
    const size_t end = c.usage.find(' ', start);
    std::string word = c.usage.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const bool optional = word.size() > 2 && word.front() == '[' && word.back() == ']';
    if (optional) word = word.substr(1, word.size() - 2);
    words.emplace_back(word, !optional);
    at = end;
  }
  values->resize(words.size());
  std::vector<CLI::Option*> options;
  for (size_t i = 0; i < words.size(); ++i) {
    CLI::Option* o = sub.add_option(words[i].first, (*values)[i]);
    if (words[i].second) o->required();
    options.push_back(o);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  krl::Io io{std::cout, std::cerr};
  auto app = rt::MakeCommandLine("krl", "Looks inside Kestrel files straight from their bytes.");
  app->require_subcommand(1);
  struct Entry {
    CLI::App* sub;
    const krl::Command* command;
    std::vector<std::string> values;
    std::vector<CLI::Option*> options;
  };
  std::vector<std::unique_ptr<Entry>> entries;
  for (const krl::Command& c : krl::Commands()) {
    auto e = std::make_unique<Entry>();
    e->sub = app->add_subcommand(c.name, c.summary);
    e->command = &c;
    e->options = DeclareArguments(*e->sub, c, &e->values);
    entries.push_back(std::move(e));
  }
  if (auto done = rt::ParseCommandLine(*app, argc, argv, std::cout, std::cerr)) return *done;
  for (const auto& e : entries) {
    if (!e->sub->parsed()) continue;
    // Optional arguments left out are not passed on.
    std::vector<std::string> args;
    for (size_t i = 0; i < e->values.size(); ++i) {
      if (e->options[i]->count() > 0) args.push_back(e->values[i]);
    }
    const int status = e->command->run(args, io);
    io.out.flush();
    return status;
  }
  return rt::kExitUsage;
}
