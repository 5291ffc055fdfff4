#include "runtime/core/windows1252.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "runtime/core/trim.h"

namespace {

// glibc's own CP1252 converter, a table written apart from ours; it refuses
// the five undefined bytes.
bool IconvByte(unsigned char byte, std::string* utf8) {
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* ip = in;
  char* op = out;
  size_t il = 1, ol = sizeof out;
  const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1);
  iconv_close(cd);
  utf8->assign(out, sizeof out - ol);
  return ok;
}

TEST(Windows1252, EveryByteMatchesGlibcAndTheUndefinedOnesAreTheirC1Codes) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const std::string ours = rt::windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
    std::string glibc;
    if (IconvByte(byte, &glibc)) {
      EXPECT_EQ(ours, glibc) << "byte " << b;
    } else {
      ++undefined;
      EXPECT_TRUE(b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) << "byte " << b;
      EXPECT_EQ(rt::windows1252ToCodePoint(byte), char32_t(b));
    }
    // Every byte comes back from its character, and from its UTF-8.
    EXPECT_EQ(rt::windows1252FromCodePoint(rt::windows1252ToCodePoint(byte)), b);
    std::string back;
    ASSERT_TRUE(rt::utf8ToWindows1252(ours, &back)) << "byte " << b;
    EXPECT_EQ(back, std::string(1, static_cast<char>(byte)));
  }
  EXPECT_EQ(undefined, 5);

  // A whole text of all 256 bytes: out and back unchanged, 256 distinct
  // characters on the way.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(rt::utf8ToWindows1252(rt::windows1252ToUtf8(all), &back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(rt::windows1252ToUtf8("Se\xF1or \x80 \x9F"), "Se\xC3\xB1or \xE2\x82\xAC \xC5\xB8");
}

TEST(Windows1252, CharactersTheSetLacksHaveNoByte) {
  // U+0080 to U+009F other than the five C1 codes of undefined bytes: their
  // bytes hold other characters (0x80 is the euro sign).
  for (char32_t cp = 0x80; cp < 0xA0; ++cp) {
    const bool own = cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D;
    EXPECT_EQ(rt::windows1252FromCodePoint(cp), own ? int(cp) : -1) << std::hex << unsigned(cp);
  }
  for (char32_t cp : {char32_t(0x100), char32_t(0x2000), char32_t(0x20AD), char32_t(0x4E2D),
                      char32_t(0xFFFD), char32_t(0x1F600), char32_t(0x10FFFF)})
    EXPECT_EQ(rt::windows1252FromCodePoint(cp), -1) << std::hex << unsigned(cp);
}

TEST(Windows1252, Utf8InputIsRefusedWhereItFailsOrReplacedWhenLossy) {
  struct Case {
    const char* utf8;
    const char* bytes;     // the conversion, when it succeeds
    char32_t codePoint;    // else the refused character, 0 for malformed UTF-8
    size_t offset;         // and where
    const char* lossy;     // the lossy conversion
  };
  const Case cases[] = {
      {"Mu\xC3\xB1oz", "Mu\xF1oz", 0, 0, "Mu\xF1oz"},
      {"\xE2\x82\xAC 5", "\x80 5", 0, 0, "\x80 5"},
      {"\xC5\xB8\xC2\x81", "\x9F\x81", 0, 0, "\x9F\x81"},
      {"ab\xE4\xB8\xAD", nullptr, 0x4E2D, 2, "ab?"},
      {"\xF0\x9F\x98\x80!", nullptr, 0x1F600, 0, "?!"},
      {"x\x80", nullptr, 0, 1, "x?"},           // stray continuation byte
      {"\xC3", nullptr, 0, 0, "?"},             // cut short
      {"\xC0\x80", nullptr, 0, 0, "??"},        // overlong
      {"\xED\xA0\x80", nullptr, 0, 0, "???"},   // surrogate
      {"\xF4\x90\x80\x80", nullptr, 0, 0, "????"},  // above U+10FFFF
      {"\xFF", nullptr, 0, 0, "?"},
  };
  for (const Case& c : cases) {
    std::string out;
    rt::Utf8Fault fault;
    const bool ok = rt::utf8ToWindows1252(c.utf8, &out, &fault);
    EXPECT_EQ(ok, c.bytes != nullptr) << c.utf8;
    EXPECT_EQ(rt::isValidUtf8(c.utf8), ok || c.codePoint != 0) << c.utf8;
    if (ok) {
      EXPECT_EQ(out, c.bytes);
    } else {
      EXPECT_EQ(fault.codePoint, c.codePoint) << c.utf8;
      EXPECT_EQ(fault.offset, c.offset) << c.utf8;
    }
    EXPECT_EQ(rt::utf8ToWindows1252Lossy(c.utf8), c.lossy) << c.utf8;
  }
  EXPECT_EQ(rt::codePointName(0x4E2D), "U+4E2D");
  EXPECT_EQ(rt::codePointName(0xE9), "U+00E9");
}

TEST(Windows1252, Utf8EncodesEveryLength) {
  for (char32_t cp : {char32_t(0x41), char32_t(0x7FF), char32_t(0x800), char32_t(0xFFFF), char32_t(0x10000),
                      char32_t(0x10FFFF)}) {
    std::string s;
    rt::appendUtf8(&s, cp);
    size_t at = 0;
    char32_t back = 0;
    ASSERT_TRUE(rt::decodeUtf8(s, &at, &back)) << std::hex << unsigned(cp);
    EXPECT_EQ(back, cp);
    EXPECT_EQ(at, s.size());
  }
}

TEST(Trim, BlanksByDefaultOtherSetsWhenAsked) {
  struct Case {
    std::string_view in, set, right, left, both;
  };
  const Case cases[] = {
      {"  ab c  ", rt::kBlank, "  ab c", "ab c  ", "ab c"},
      {"", rt::kBlank, "", "", ""},
      {"    ", rt::kBlank, "", "", ""},
      {"\tab \t", rt::kBlank, "\tab \t", "\tab \t", "\tab \t"},  // tabs stay unless asked
      {"\tab \t", rt::kBlankOrTab, "\tab", "ab \t", "ab"},
      {"x", rt::kBlank, "x", "x", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::trimRight(c.in, c.set), c.right) << '"' << c.in << '"';
    EXPECT_EQ(rt::trimLeft(c.in, c.set), c.left) << '"' << c.in << '"';
    EXPECT_EQ(rt::trim(c.in, c.set), c.both) << '"' << c.in << '"';
  }
  EXPECT_TRUE(rt::isBlank("   "));
  EXPECT_TRUE(rt::isBlank(""));
  EXPECT_FALSE(rt::isBlank(" . "));
  static_assert(rt::trim("  a  ") == "a");
}

}  // namespace
