// Trimming text: the blanks that pad the record files' fixed-length texts, and
// the blanks and tabs around words typed into settings and command lines.
// Header only and without dependencies (target qv_trim), so the Kestrel
// format, which does not link qv_core, trims the same way.
//
// Each function returns a view into its argument: keep the argument alive
// while the view is used (wrap a temporary in std::string(...) at once).
#pragma once

#include <string_view>

namespace rt {

// The blank that pads fixed-length texts.
inline constexpr std::string_view kBlank = " ";
// Blanks and tabs: what surrounds a value typed by hand.
inline constexpr std::string_view kBlankOrTab = " \t";

// `text` without the trailing characters found in `set`.
constexpr std::string_view trimRight(std::string_view text, std::string_view set = kBlank) {
  const size_t end = text.find_last_not_of(set);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// `text` without the leading characters found in `set`.
constexpr std::string_view trimLeft(std::string_view text, std::string_view set = kBlank) {
  const size_t start = text.find_first_not_of(set);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// `text` without leading and trailing characters found in `set`.
constexpr std::string_view trim(std::string_view text, std::string_view set = kBlank) {
  return trimLeft(trimRight(text, set), set);
}

// True when `text` holds only characters of `set` (or nothing).
constexpr bool isBlank(std::string_view text, std::string_view set = kBlank) {
  return text.find_first_not_of(set) == std::string_view::npos;
}

}  // namespace rt
