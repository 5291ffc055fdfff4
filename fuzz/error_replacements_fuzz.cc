// Replacement-message files come from the user's environment: any bytes must
// parse without harm, and file errors built from any bytes keep their widths.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/error_replacements.h"
#include "runtime/core/error_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // An odd first byte spells the rest in the file's own alphabet, so that
  // random inputs also reach well-formed and nearly well-formed lines.
  if (size > 0 && (data[0] & 1)) {
    static const char alphabet[] = "0123456789=-+# \t\r\n\nab";
    for (char& c : text) c = alphabet[uint8_t(c) % (sizeof alphabet - 1)];
  }
  std::string_view bytes(text);
  std::vector<size_t> bad;
  auto set = rt::MessageReplacements::parse(bytes, &bad);
  size_t lines = 0;
  for (char c : bytes) lines += c == '\n';
  if (set.size() + bad.size() > lines + 1) std::abort();
  for (size_t i = 1; i < bad.size(); ++i)
    if (bad[i] <= bad[i - 1]) std::abort();

  size_t third = size / 3;
  rt::postFileError(bytes.substr(0, third), bytes.substr(third, third), bytes.substr(2 * third));
  if (rt::ErrorFile().size() != rt::kErrorFileWidth || rt::FileError().size() != rt::kMessageWidth ||
      rt::FileError().back() != ' ' || rt::FileErrorCode().size() > rt::kMessageCut)
    std::abort();
  return 0;
}
