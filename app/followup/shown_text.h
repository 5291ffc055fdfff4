// Windows-1252 text of the record files as the windows show it, in UTF-8:
// the Latin-1 part, which holds the letters of Spanish names, is kept; the
// rest shows as '?'.
#pragma once

#include <string>
#include <string_view>

namespace app::followup {

std::string ShowText(std::string_view text);

}  // namespace app::followup
