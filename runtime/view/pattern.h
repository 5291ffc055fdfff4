// The runtime's pattern search (as GetFieldAscending uses it on order texts).
//
// Syntax: a character matches itself; "." any character; "[...]" one of
// the listed characters ("a-z" ranges, a leading "^" negates); "{...}"
// groups; "|" separates alternatives (of the whole pattern or of a group);
// "^" matches the start and "$" the end of the text; "*", "+" and "?"
// repeat the item before them; "\" takes the next character literally.
//
//   patternSearch("QVG:A,-QVG:B", "{{[+-]}{QVG:B}[,]}|{{[+-]}{QVG:B}$}") == 6
#pragma once

#include <cstddef>
#include <string_view>

namespace rt {

// The 1-based position where the first match begins, or 0 when there is
// none or the pattern is malformed (unbalanced brackets or braces). The
// search gives up (0) on patterns that would backtrack without end (after
// `max_steps` matching steps) and on repetitions that would match more than
// a thousand characters.
inline constexpr size_t kPatternMaxSteps = 1'000'000;
size_t patternSearch(std::string_view text, std::string_view pattern, bool ignore_case = false,
                     size_t max_steps = kPatternMaxSteps);

}  // namespace rt
