// Compiles arbitrary picture texts and formats and deformats arbitrary text
// with them; also feeds the text to the decimal parser and packed-decimal
// conversions. Input: picture text, a newline, then the text to deformat.
// An input that does not start with "@" picks a known picture by its first
// byte and edits it with the following bytes, and maps the rest to the
// characters typed texts are made of, so that random bytes mostly reach the
// parsers rather than stop at the first character.
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/decimal.h"
#include "runtime/core/picture.h"

namespace {

constexpr const char* kSeeds[] = {
    "@n-14",   "@n5.2B",  "@n$-10.2", "@n(12.3)", "@n*12`2", "@n_10",  "@n7v2", "@n~ EUR~12.2",
    "@e12.3",  "@d6",     "@d06<10.", "@d3",      "@d4",     "@d8-",   "@d12",  "@d17",
    "@d18",    "@t3",     "@t6.",     "@t8",      "@s10",    "@p###-####p",    "@k##-@^_?|#k",
};
constexpr char kPictureChars[] = "0123456789.-_`*$~()vVB<>#@^|?\\pkdtnse";
constexpr char kTextChars[] = "0123456789 ./-:,()$E+APMapmJANjanFebruary";

std::string Edit(std::string pic, std::string_view edits) {
  for (unsigned char x : edits) {
    const size_t pos = x % (pic.size() + 1);
    const char c = kPictureChars[x % (sizeof kPictureChars - 1)];
    if (x & 0x80) {
      pic.insert(pos, 1, c);
    } else if (x & 0x40) {
      if (pos < pic.size()) pic.erase(pos, 1);
    } else if (pos < pic.size()) {
      pic[pos] = c;
    }
  }
  return pic;
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckDecimal(std::string_view text) {
  const std::optional<rt::Decimal> d = rt::Decimal::Parse(text);
  if (!d) return;
  std::uint8_t packed[16];
  for (int places : {0, 2, 7}) {
    if (d->ToPacked(packed, places)) {
      Check(rt::Decimal::FromPacked(packed, places) == d->Round(places));
    }
  }
  Check(rt::Decimal::Parse(d->ToString()) == *d);
  const rt::Decimal sum = *d + *d;
  // Exact unless the sum needed a 39th digit and was rounded.
  if (sum.IsValid() && sum.Scale() == d->Scale()) Check(sum - *d == *d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string pic, text;
  if (!in.empty() && in[0] != '@') {
    const size_t n_edits = std::min<size_t>(in.size() - 1, (in[0] >> 4) & 7);
    pic = Edit(kSeeds[static_cast<unsigned char>(in[0]) % std::size(kSeeds)],
               in.substr(1, n_edits));
    for (unsigned char x : in.substr(1 + n_edits)) {
      text += (x & 0x80) ? static_cast<char>(x) : kTextChars[x % (sizeof kTextChars - 1)];
    }
  } else {
    const size_t nl = in.find('\n');
    pic = in.substr(0, nl);
    if (nl != std::string_view::npos) text = in.substr(nl + 1);
  }

  const rt::Picture p = rt::Picture::Compile(pic);
  Check(p.empty() == (p.type() == rt::PictureType::kEmpty));
  Check(p.width() <= rt::Picture::kMaxPositions);

  rt::PictureValue v;
  p.TryDeformat(text, &v);
  const std::string shown = p.Format(v);
  Check(static_cast<int>(shown.size()) == p.width());
  Check(static_cast<int>(p.Format(rt::PictureValue(text)).size()) == p.width());
  for (std::int64_t n : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{81457},
                         std::int64_t{4500001}, std::int64_t{-99999999999}}) {
    Check(static_cast<int>(p.Format(n).size()) == p.width());
  }
  p.Deformat(shown);
  CheckDecimal(text);
  return 0;
}
