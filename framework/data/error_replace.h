// Text helpers of the error manager's placeholder filling.
#pragma once

#include <string>
#include <string_view>

namespace fw {

constexpr size_t kMessageTextMax = 2000;

// Replaces every occurrence of `token` in `target`, found ignoring case, by
// `value`. The search goes on after each inserted value, so a value holding
// the token is not expanded again. `target` is kept to kMessageTextMax
// characters. Nothing happens when `token` is empty or equals `value`
// ignoring case.
void Replace(std::string_view token, std::string_view value, std::string& target);

}  // namespace fw
