#include <gtest/gtest.h>

#include "runtime/core/picture.h"

namespace rt {
namespace {

Decimal D(const char* s) { return Decimal::Parse(s).value_or(Decimal::Invalid()); }

struct FormatCase {
  const char* picture;
  const char* value;
  const char* want;
};

TEST(NumberPictureTest, Formats) {
  const FormatCase cases[] = {
      // grouping, sign positions, blank-when-zero, overflow
      {"@n-14", "12345678", "    12,345,678"},
      {"@n-14", "-12345678", "   -12,345,678"},
      {"@n-14", "0", "             0"},
      {"@n5.2B", "0", "     "},
      {"@n5.2B", "7", " 7.00"},
      {"@n5.2", "0", " 0.00"},
      {"@n2", "123", "##"},
      {"@n2B", "0", "  "},
      {"@n-5", "1234", "#####"},  // the leftmost position is a separator
      {"@n-5", "-123", " -123"},
      // rounding half away from zero on the first dropped digit
      {"@n2B", "7.5", " 8"},
      {"@n2B", "7.49", " 7"},
      {"@n5.2", "2.345", " 2.35"},
      {"@n-6.2", "-2.345", " -2.35"},
      {"@n5.2", "9.995", "10.00"},
      {"@n4.2", "9.995", "####"},
      {"@n-6.2", "-0.001", "  0.00"},  // rounds to zero: no sign
      // negatives with each sign form
      {"@n-10.2", "-5.5", "     -5.50"},
      {"@n10.2-", "-5.5", "     5.50-"},
      {"@n10.2-", "5.5", "     5.50 "},
      {"@n(10.2)", "-1234.5", "(1,234.50)"},
      {"@n(10.2)", "1234.5", " 1,234.50 "},
      {"@n$-10.2", "-12", "$   -12.00"},
      {"@n3", "-5", " -5"},   // no sign position: minus in a free position
      {"@n1", "-5", "#"},     // ...or overflow, never a positive-looking 5
      {"@n05", "-3", "-0003"},
      // fills and grouping characters
      {"@n_10", "1234567", "   1234567"},
      {"@n010", "1234", "0000001234"},
      {"@n*10", "1234567", "*1,234,567"},
      {"@n*10", "1234", "*****1,234"},
      {"@n12_.2", "1234567.5", "1 234 567.50"},
      {"@n12.`2", "1234567.891", "1.234.567,89"},
      {"@n10`2", "1234.5", "  1.234,50"},
      {"@n010.`2", "1234.5", "001.234,50"},
      // currency texts
      {"@n$10.2", "1234.5", "$ 1,234.50"},
      {"@n10.2~ EUR~", "12.5", " 12.50 EUR"},
      {"@n~Bs.~8", "12", "Bs.   12"},
      // implied decimal
      {"@n7v2", "1.5", "    150"},
      {"@n7v2", "0", "     00"},
  };
  for (const FormatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    ASSERT_FALSE(p.empty()) << c.picture;
    EXPECT_EQ(p.Format(D(c.value)), c.want) << c.picture << " " << c.value;
    EXPECT_EQ(static_cast<int>(std::string(c.want).size()), p.width()) << c.picture;
  }
}

TEST(NumberPictureTest, FormatsTextAndInvalidValues) {
  Picture p = Picture::Compile("@n-7");
  EXPECT_EQ(p.Format("42"), "     42");
  EXPECT_EQ(p.Format("abc"), "      0");
  EXPECT_EQ(p.Format(Decimal::Invalid()), "#######");
  EXPECT_EQ(p.Format(-42), "    -42");
}

struct DeformatCase {
  const char* picture;
  const char* text;
  const char* want;
  bool accepted;
};

TEST(NumberPictureTest, Deformats) {
  const DeformatCase cases[] = {
      {"@n-14", "   -12,345,678", "-12345678", true},
      {"@n-14", "1,234", "1234", true},
      {"@n-14", "(5)", "-5", true},
      {"@n-14", "5-", "-5", true},
      {"@n-14", "", "0", true},
      {"@n-14", "abc", "0", true},
      {"@n$10.2", "$ 1,234.50", "1234.50", true},
      {"@n5.2", " 7.5", "7.5", true},
      {"@n12.`2", "1.234.567,89", "1234567.89", true},
      {"@n7v2", "    150", "1.50", true},
      {"@n7v2", "5", "0.05", true},
      {"@n7v2", "1.5", "1.5", true},
      {"@n2", "123", "123", false},
      {"@n5.2", "99.999", "99.999", false},  // shows as 100.00: does not fit
      {"@n-14", "99999999999999999999999999999999999999999", "0", false},
  };
  for (const DeformatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    PictureValue v;
    EXPECT_EQ(p.TryDeformat(c.text, &v), c.accepted) << c.picture << " '" << c.text << "'";
    ASSERT_TRUE(v.IsNumber());
    EXPECT_EQ(v.AsNumber().ToString(), D(c.want).ToString()) << c.picture << " " << c.text;
  }
}

TEST(NumberPictureTest, FormatThenDeformatGivesTheRoundedValue) {
  for (const char* pic : {"@n-14", "@n-10.2", "@n(12.3)", "@n*12.2", "@n12.`2", "@n$-12.2",
                          "@n~ EUR~-14.2", "@n9v2"}) {
    Picture p = Picture::Compile(pic);
    for (const char* v : {"0", "1", "-1", "12.34", "-1234.5", "99999.99"}) {
      const Decimal want = D(v).Round(p.places());
      EXPECT_EQ(p.Deformat(p.Format(D(v))), PictureValue(want)) << pic << " " << v;
    }
  }
}

TEST(NumberPictureTest, PicturesThatDoNotParseAreEmpty) {
  for (const char* bad : {"@n2.2", "@n", "@n0", "@n256", "@n-", "@n(5", "@n5)", "@n-5-",
                          "@n$5$", "@n~abc5", "@n5.2x", "@n5.2B.", "@n~~5", "@n(4.2)"}) {
    Picture p = Picture::Compile(bad);
    EXPECT_TRUE(p.empty()) << bad;
    EXPECT_EQ(p.Format(12), "") << bad;
    EXPECT_EQ(p.Deformat("12"), PictureValue()) << bad;
  }
  EXPECT_FALSE(Picture::Compile("@n3.2").empty());  // places and point fill the width
  EXPECT_FALSE(Picture::Compile("@N255").empty());
}

TEST(ScientificPictureTest, FormatsAndDeformats) {
  const FormatCase cases[] = {
      {"@e12.3", "1234.5", "  1.235E+003"},
      {"@e12.3", "-0.00012", " -1.200E-004"},
      {"@e12.3", "0", "  0.000E+000"},
      {"@e12.3", "9.9996", "  1.000E+001"},
      {"@e7", "5", " 5E+000"},
      {"@e10`2", "-15", "-1,50E+001"},
  };
  for (const FormatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    ASSERT_FALSE(p.empty()) << c.picture;
    EXPECT_EQ(p.Format(D(c.value)), c.want) << c.picture << " " << c.value;
  }
  EXPECT_EQ(Picture::Compile("@e12.3B").Format(0), std::string(12, ' '));
  Picture e = Picture::Compile("@e12.3");
  EXPECT_EQ(e.Deformat("  1.235E+003"), PictureValue(1235));
  EXPECT_EQ(e.Deformat("-1.2e-4"), PictureValue(D("-0.00012")));
  EXPECT_EQ(e.Deformat("x"), PictureValue(0));
  EXPECT_TRUE(Picture::Compile("@e6").empty());
  EXPECT_TRUE(Picture::Compile("@e9.3").empty());
}

}  // namespace
}  // namespace rt
