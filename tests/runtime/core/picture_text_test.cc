#include <gtest/gtest.h>

#include <string>

#include "runtime/core/picture.h"

namespace rt {
namespace {

struct FormatCase {
  const char* picture;
  PictureValue value;
  const char* want;
};

struct DeformatCase {
  const char* picture;
  const char* text;
  const char* want;
  bool accepted;
};

TEST(TextPictureTest, Formats) {
  const FormatCase cases[] = {
      {"@s5", "abc", "abc  "},
      {"@s5", "abcdefg", "abcde"},
      {"@S3", Decimal::Parse("7.50").value(), "7.5"},
      {"@s1", "", " "},
      {"@p###-####p", "5551234", "555-1234"},
      {"@p###-####p", 5551234, "555-1234"},
      {"@p###-####p", "123", "000-0123"},
      {"@p###-####p", "(555) 12-34", "555-1234"},
      {"@p<<#-##p", 5, "  0-05"},
      {"@p##p", 123, "##"},
      {"@p##pB", 0, "  "},
      {"@k###-@@k", "123AB", "123-AB"},
      {"@k^^^k", "abc", "ABC"},
      {"@k##|##k", "1234", "1234"},
      {"@k\\##k", "5", "#5"},
      {"@k(###)k", "12", "(12 )"},
  };
  for (const FormatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    ASSERT_FALSE(p.empty()) << c.picture;
    EXPECT_EQ(p.Format(c.value), c.want) << c.picture;
    EXPECT_EQ(p.width(), static_cast<int>(std::string(c.want).size())) << c.picture;
  }
}

TEST(TextPictureTest, Deformats) {
  const DeformatCase cases[] = {
      {"@s5", "  x  ", "  x  ", true},
      {"@s5", "longer than five", "longer than five", true},
      {"@p###-####p", "555-1234", "5551234", true},
      {"@p###-####p", "", "", true},
      {"@p##p", "123", "123", false},
      {"@k###-@@k", "123-AB", "123AB", true},
      {"@k###-@@k", "123AB", "123AB", true},  // literals need not be typed
      {"@k###-@@k", "12X-AB", "12XAB", false},
      {"@k###-@@k", "123-4B", "1234B", false},
      {"@k^^^k", "abc", "ABC", true},
      {"@k##k", "12345", "12", false},
      {"@k##k", "1 ", "1", true},
      {"@k_?_k", "a!b", "a!b", true},
  };
  for (const DeformatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    PictureValue v;
    EXPECT_EQ(p.TryDeformat(c.text, &v), c.accepted) << c.picture << " '" << c.text << "'";
    EXPECT_EQ(v, PictureValue(c.want)) << c.picture << " '" << c.text << "' gave '"
                                       << v.AsText() << "'";
  }
}

TEST(PictureCompileTest, WhatDoesNotParseIsTheEmptyPicture) {
  for (const char* bad : {"", "@", "@B", "s5", "@x5", "@s", "@s0", "@s256", "@s5x", "@s-5",
                          "@p###", "@pp", "@k##", "@kk", "@k|k", "@k#\\k", "@nB", "@d6 ", " @n5"}) {
    Picture p = Picture::Compile(bad);
    EXPECT_TRUE(p.empty()) << "'" << bad << "'";
    EXPECT_EQ(p.type(), PictureType::kEmpty) << bad;
    EXPECT_EQ(p.width(), 0) << bad;
    EXPECT_EQ(p.Format(5), "") << bad;
    PictureValue v;
    EXPECT_TRUE(p.TryDeformat("5", &v));
    EXPECT_EQ(v, PictureValue("")) << bad;
  }
  const std::string long_pattern = "@p" + std::string(256, '#') + "p";
  EXPECT_TRUE(Picture::Compile(long_pattern).empty());
  EXPECT_EQ(Picture::Compile("@p" + std::string(255, '#') + "p").width(), 255);
}

TEST(PictureCompileTest, HeaderDescribesThePicture) {
  Picture n = Picture::Compile("@n-10.2B");
  EXPECT_EQ(n.type(), PictureType::kNumber);
  EXPECT_TRUE(n.blank_when_zero());
  EXPECT_EQ(n.places(), 2);
  EXPECT_EQ(n.width(), 10);
  Picture d = Picture::Compile("@d6>20");
  EXPECT_EQ(d.type(), PictureType::kDate);
  EXPECT_EQ(d.number(), 6);
  EXPECT_EQ(d.window(), 79);
  EXPECT_EQ(Picture::Compile("@t3").type(), PictureType::kTime);
  EXPECT_EQ(Picture::Compile("@e9").type(), PictureType::kScientific);
  EXPECT_EQ(Picture::Compile("@k#k").type(), PictureType::kKeyIn);
  EXPECT_EQ(Picture::Compile("@p#p").type(), PictureType::kPattern);
  // The one-shot helpers compile on the way.
  EXPECT_EQ(Format(1234, "@n-7"), "  1,234");
  EXPECT_EQ(Deformat("1,234", "@n-7"), PictureValue(1234));
}

}  // namespace
}  // namespace rt
