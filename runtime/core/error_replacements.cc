#include "runtime/core/error_replacements.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "runtime/core/trim.h"

namespace rt {

namespace {

bool parseCode(std::string_view s, int32_t* code) {
  s = trim(s, kBlankOrTab);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);  // from_chars takes only '-'
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *code);
  return ec == std::errc() && end == s.data() + s.size();
}

void warn(const std::string& path, const std::string& what) {
  std::fprintf(stderr, "%s: %s: %s\n", kMessageReplacementsVariable, path.c_str(), what.c_str());
}

std::shared_ptr<const MessageReplacements> load() {
  auto empty = std::make_shared<const MessageReplacements>();
  const char* path = std::getenv(kMessageReplacementsVariable);
  if (!path || !*path) return empty;
  std::ifstream in(path, std::ios::binary);
  std::string contents;
  if (in) {
    contents.resize(kMaxMessageReplacementsFile + 1);
    in.read(contents.data(), std::streamsize(contents.size()));
    contents.resize(size_t(in.gcount()));
  }
  if (!in && !in.eof()) {
    warn(path, "cannot be read; built-in messages are used");
    return empty;
  }
  if (contents.size() > kMaxMessageReplacementsFile) {
    warn(path, "larger than 1 MiB; built-in messages are used");
    return empty;
  }
  std::vector<size_t> bad;
  auto set = std::make_shared<const MessageReplacements>(MessageReplacements::parse(contents, &bad));
  for (size_t i = 0; i < bad.size() && i < 10; ++i)
    warn(path, "line " + std::to_string(bad[i]) + " skipped (expected code=text)");
  if (bad.size() > 10) warn(path, std::to_string(bad.size() - 10) + " more lines skipped");
  return set;
}

std::mutex mu;
std::shared_ptr<const MessageReplacements> current;  // guarded by mu

}  // namespace

MessageReplacements MessageReplacements::parse(std::string_view contents,
                                               std::vector<size_t>* badLines) {
  MessageReplacements set;
  size_t lineNo = 0;
  while (!contents.empty()) {
    size_t nl = contents.find('\n');
    std::string_view line = contents.substr(0, nl);
    contents.remove_prefix(nl == std::string_view::npos ? contents.size() : nl + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view head = trim(line, kBlankOrTab);
    if (head.empty() || head.front() == '#') continue;
    size_t eq = line.find('=');
    int32_t code;
    if (eq == std::string_view::npos || !parseCode(line.substr(0, eq), &code)) {
      if (badLines) badLines->push_back(lineNo);
      continue;
    }
    set.texts_[code] = std::string(line.substr(eq + 1));
  }
  return set;
}

const std::string* MessageReplacements::find(int32_t code) const {
  auto it = texts_.find(code);
  return it == texts_.end() ? nullptr : &it->second;
}

std::shared_ptr<const MessageReplacements> messageReplacements() {
  std::lock_guard<std::mutex> lock(mu);
  if (!current) {
    try {
      current = load();
    } catch (...) {
      // Out of memory while reading: serve the built-in texts, try again later.
      static const MessageReplacements none;
      return std::shared_ptr<const MessageReplacements>(std::shared_ptr<void>(), &none);
    }
  }
  return current;
}

void reloadMessageReplacements() {
  auto fresh = load();
  std::lock_guard<std::mutex> lock(mu);
  current = std::move(fresh);
}

}  // namespace rt
