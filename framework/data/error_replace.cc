#include "framework/data/error_replace.h"

#include <algorithm>
#include <cctype>

namespace fw {

namespace {

bool sameIgnoringCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameIgnoringCase);
}

}  // namespace

void Replace(std::string_view token, std::string_view value, std::string& target) {
  if (target.size() > kMessageTextMax) target.resize(kMessageTextMax);
  if (token.empty() || equalIgnoringCase(token, value)) return;
  size_t from = 0;
  while (from < target.size()) {
    auto it = std::search(target.begin() + from, target.end(), token.begin(), token.end(),
                          sameIgnoringCase);
    if (it == target.end()) break;
    size_t at = it - target.begin();
    target.replace(at, token.size(), value);
    from = at + value.size();
    if (target.size() > kMessageTextMax) target.resize(kMessageTextMax);
  }
}

}  // namespace fw
