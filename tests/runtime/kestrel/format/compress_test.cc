#include "runtime/kestrel/format/compress.h"

#include <gtest/gtest.h>

#include <random>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

using testing::Hex;

TEST(CompressTest, RunsOfFourOrMoreBecomeRepeats) {
  struct Case { std::string plain; bool pays; std::string coded; };
  const Case cases[] = {
      {"AAA", false, ""},                                      // a run of 3 stays literal
      {"xAAAy", false, ""},
      {"AAAA", true, "01 41 03 00"},                           // one literal, repeat 3, empty tail
      {"xAAAAy", true, "02 78 41 03 01 79"},
      {"AAAAAAAAB" "CCCC", true, "01 41 07 02 42 43 03 00"},
      {std::string(200, '\0'), true, "01 00 C7 01 00"},       // 199 needs two count bytes
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Compress(c.plain, &out), c.pays) << c.plain;
    if (c.pays) {
      EXPECT_EQ(HexBytes(out), HexBytes(Hex(c.coded))) << c.plain;
    }
  }
}

TEST(CompressTest, FindsARunAtEveryOffsetOfTheWordScan) {
  // Backgrounds whose neighbours differ by 1 or by 0x80 probe the word test's
  // borrow and high-bit cases; a run of 3 must never count.
  const std::string backgrounds[] = {"abcdefghijklmnopqrstuvwxyz", std::string("\x00\x01\x00\x01", 4),
                                     std::string("\x80\x00\x80\x00\x81\x01", 6)};
  for (const std::string& bg : backgrounds) {
    // Lengths past 17 and past 65 reach the two vector steps; all end in the
    // word and byte scans.
    for (size_t length = 4; length <= 150; length += 11) {
      std::string plain;
      while (plain.size() < length) plain += bg;
      plain.resize(length);
      EXPECT_FALSE(HasRun(plain)) << HexBytes(plain);
      for (size_t at = 0; at + 4 <= length; ++at) {
        for (size_t run : {size_t{3}, size_t{4}}) {
          std::string s = plain;
          for (size_t k = 0; k < run; ++k) s[at + k] = 'Q';
          // The run must not merge with a neighbouring 'Q' from the background.
          const bool expect = run == 4;
          std::string out;
          EXPECT_EQ(HasRun(s), expect) << HexBytes(s);
          EXPECT_EQ(Compress(s, &out), expect) << HexBytes(s);
        }
      }
    }
  }
}

TEST(CompressTest, RoundTripsRandomRunnyData) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string plain;
    const int pieces = static_cast<int>(rng() % 40);
    for (int i = 0; i < pieces; ++i) {
      plain.append(rng() % 300, static_cast<char>(rng() % 3 ? ' ' : rng()));
      plain.push_back(static_cast<char>(rng()));
    }
    // The coding is fixed: every maximal run of 4 or more, in order.
    std::string expect;
    size_t pending = 0;
    for (size_t p = 0; p + 3 < plain.size();) {
      size_t n = 1;
      while (p + n < plain.size() && plain[p + n] == plain[p]) ++n;
      if (n >= 4) {
        AppendCount(&expect, p + 1 - pending);
        expect.append(plain, pending, p + 1 - pending);
        AppendCount(&expect, n - 1);
        pending = p + n;
      }
      p += n;
    }
    std::string packed;
    ASSERT_EQ(Compress(plain, &packed), pending > 0);
    if (pending == 0) continue;
    AppendCount(&expect, plain.size() - pending);
    expect.append(plain, pending);
    EXPECT_EQ(HexBytes(packed), HexBytes(expect));
    std::string back;
    ASSERT_TRUE(Decompress(packed, plain.size(), &back).ok());
    EXPECT_EQ(back, plain);
  }
}

TEST(CompressTest, HostileStreamsFailTheCountCheck) {
  const std::string cases[] = {
      "",                    // no literal count at all
      "05 41 42",            // literal count beyond the input
      "09 41",               // literal count beyond the plain length (4)
      "01 41 09",            // repeat beyond the plain length
      "00 03",               // repeat with nothing written yet
      "01 41",               // input ends before the plain length
      "FF FF FF FF FF FF",   // count that never ends
  };
  for (const std::string& c : cases) {
    std::string out;
    Status s = Decompress(Hex(c), 4, &out);
    EXPECT_EQ(s.check(), Check::kCompressionCount) << c;
  }
}

TEST(CompressTest, StopsAtPlainLengthIgnoringTrailingEmptyLiteral) {
  std::string out;
  ASSERT_TRUE(Decompress(Hex("01 41 03 00"), 4, &out).ok());
  EXPECT_EQ(out, "AAAA");
}

}  // namespace
}  // namespace kestrel
