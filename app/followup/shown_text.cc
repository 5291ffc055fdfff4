#include "app/followup/shown_text.h"

namespace app::followup {

std::string ShowText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0xA0) {
      out += '?';
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace app::followup
