#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "runtime/core/picture.h"
#include "runtime/core/picture_locale.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"

namespace rt {
namespace {

constexpr std::int32_t kJan5 = 81457;  // 5 January 2024, a Friday

struct FormatCase {
  const char* picture;
  std::int32_t value;
  const char* want;
};

struct DeformatCase {
  const char* picture;
  const char* text;
  std::int32_t want;
};

std::int32_t Value(const PictureValue& v) {
  EXPECT_TRUE(v.IsNumber());
  return v.AsInt32();
}

TEST(DatePictureTest, Formats) {
  const FormatCase cases[] = {
      {"@d1", kJan5, " 1/05/24"},          {"@d01", kJan5, "01/05/24"},
      {"@d2", kJan5, " 1/05/2024"},        {"@d3", kJan5, "JAN  5,2024"},
      {"@d03", kJan5, "JAN 05,2024"},      {"@d4", kJan5, "January 5, 2024      "},
      {"@d04", kJan5, "January 05, 2024     "},
      {"@d5", kJan5, " 5/01/24"},          {"@d6", kJan5, " 5/01/2024"},
      {"@d06", kJan5, "05/01/2024"},       {"@d*6", kJan5, "*5/01/2024"},
      {"@d_6", kJan5, " 5/01/2024"},       {"@d7", kJan5, " 5 JAN 24"},
      {"@d8", kJan5, " 5 JAN 2024"},       {"@d9", kJan5, "24/01/05"},
      {"@d10", kJan5, "2024/01/05"},       {"@d11", kJan5, "240105"},
      {"@d12", kJan5, "20240105"},         {"@d13", kJan5, "01/24"},
      {"@d14", kJan5, "01/2024"},          {"@d15", kJan5, "24/01"},
      {"@d16", kJan5, "2024/01"},
      // separators
      {"@d6.", kJan5, " 5.01.2024"},       {"@d6-", kJan5, " 5-01-2024"},
      {"@d6_", kJan5, " 5 01 2024"},       {"@d8.", kJan5, " 5.JAN.2024"},
      {"@d3-", kJan5, "JAN  5-2024"},      {"@d06<10.", kJan5, "05.01.2024"},
      {"@d12.", kJan5, "20240105"},
      // the ends of the range, years modulo 100, leap day
      {"@d10", 4, "1801/01/01"},           {"@d2", 2994626, "12/31/9999"},
      {"@d1", 72746, " 2/29/00"},          {"@d8", 2994626, "31 DEC 9999"},
      // no date and invalid dates keep the separators
      {"@d6", 0, "  /  /    "},            {"@d6B", 0, "          "},
      {"@d6B", kJan5, " 5/01/2024"},       {"@d6", 3, "  /  /    "},
      {"@d6", 2994627, "  /  /    "},      {"@d8", -5, "           "},
  };
  for (const FormatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    ASSERT_FALSE(p.empty()) << c.picture;
    EXPECT_EQ(p.Format(c.value), c.want) << c.picture << " " << c.value;
    EXPECT_EQ(p.width(), static_cast<int>(std::string(c.want).size())) << c.picture;
  }
}

TEST(DatePictureTest, Deformats) {
  const std::int32_t feb29 = MakeStdDate(2024, 2, 29);
  const DeformatCase cases[] = {
      {"@d6", "05/01/2024", kJan5},   {"@d6", " 5/01/2024", kJan5},
      {"@d6", "5/1/2024", kJan5},     {"@d6", "05012024", kJan5},
      {"@d6", "5.1.2024", kJan5},     {"@d6", "5-1-2024", kJan5},
      {"@d06", "05/13/2023", kJan5},  // month 13 carries into the next year
      {"@d6", "29/02/2024", feb29},   {"@d2", "1/5/2024", kJan5},
      {"@d3", "JAN  5,2024", kJan5},  {"@d3", "jan 5,2024", kJan5},
      {"@d4", "January 5, 2024", kJan5},
      {"@d8", " 5 JAN 2024", kJan5},  {"@d8", "5jan2024", kJan5},
      {"@d8", "5 January 2024", kJan5},
      {"@d10", "2024/1/5", kJan5},    {"@d12", "20240105", kJan5},
      {"@d14", "01/2024", MakeStdDate(2024, 1, 1)},
      {"@d5", "05/01/2024", kJan5},   // four digits typed into a two-digit year
      // refused
      {"@d6", "31/02/2024", -1},      {"@d6", "29/02/2023", -1},
      {"@d6", "00/00/0000", -1},      {"@d6", "05/01/1800", -1},
      {"@d8", "5 XYZ 2024", -1},      {"@d6", "32/01/2024", -1},
      // nothing typed
      {"@d6", "", 0},                 {"@d6", "  /  /    ", 0},
      {"@d6", "abc", 0},              {"@d8", "JAN", 0},
  };
  for (const DeformatCase& c : cases) {
    Picture p = Picture::Compile(c.picture);
    PictureValue v;
    EXPECT_EQ(p.TryDeformat(c.text, &v), c.want != -1) << c.picture << " '" << c.text << "'";
    EXPECT_EQ(Value(v), c.want) << c.picture << " '" << c.text << "'";
  }
}

TEST(DatePictureTest, TwoDigitYearsFollowTheWindow) {
  CivilDate today;
  ASSERT_TRUE(SplitStdDate(Today(), &today));
  const int y = today.year;
  struct Case {
    const char* picture;
    int yy;
    int want_year;
  } cases[] = {
      {"@d5", (y + 19) % 100, y + 19},  // default: up to 19 years ahead
      {"@d5", (y + 20) % 100, y - 80},  // ...and 80 back
      {"@d5", y % 100, y},
      {"@d5<10", (y + 90) % 100, y - 10},
      {"@d5<10", (y + 89) % 100, y + 89},
      {"@d5>10", (y + 10) % 100, y + 10},
      {"@d5>10", (y + 11) % 100, y - 89},
  };
  for (const Case& c : cases) {
    char text[16];
    std::snprintf(text, sizeof text, "05/01/%02d", c.yy);
    EXPECT_EQ(Value(Picture::Compile(c.picture).Deformat(text)), MakeStdDate(c.want_year, 1, 5))
        << c.picture << " " << text;
  }
}

TEST(DatePictureTest, FormatThenDeformatRoundTrips) {
  for (int n = 2; n <= 18; ++n) {
    if (n == 1 || n == 5 || n == 7 || n == 9 || n == 11 || n == 13 || n == 15) continue;
    const std::string pic = "@d" + std::to_string(n);
    Picture p = Picture::Compile(pic);
    for (std::int32_t d : {4, kJan5, 72746, 2994626}) {
      CivilDate c;
      ASSERT_TRUE(SplitStdDate(d, &c));
      const std::int32_t want = (n >= 13 && n <= 16) ? MakeStdDate(c.year, c.month, 1) : d;
      EXPECT_EQ(Value(p.Deformat(p.Format(d))), want) << pic << " " << p.Format(d);
    }
  }
}

TEST(DatePictureTest, PicturesThatDoNotParseAreEmpty) {
  for (const char* bad : {"@d", "@d0", "@d19", "@d6x", "@d6<", "@d6<100", "@d6//", "@d-6",
                          "@d00", "@d6..", "@d6Bx"}) {
    Picture p = Picture::Compile(bad);
    EXPECT_TRUE(p.empty()) << bad;
    EXPECT_EQ(p.Format(kJan5), "") << bad;
  }
}

TEST(TimePictureTest, FormatsAndDeformats) {
  const std::int32_t half_past_noon = MakeStdTime(12, 30, 0);
  const std::int32_t half_past_midnight = MakeStdTime(0, 30, 0);
  const std::int32_t t130509 = MakeStdTime(13, 5, 9);
  const FormatCase formats[] = {
      {"@t1", half_past_noon, "12:30"},      {"@t3", half_past_noon, "12:30PM"},
      {"@t2", half_past_noon, "1230"},       {"@t4", half_past_noon, "12:30:00"},
      {"@t5", half_past_noon, "123000"},     {"@t6", half_past_noon, "12:30:00PM"},
      {"@t1", half_past_midnight, " 0:30"},  {"@t01", half_past_midnight, "00:30"},
      {"@t3", half_past_midnight, "12:30AM"},
      {"@t3", t130509, " 1:05PM"},           {"@t6", t130509, " 1:05:09PM"},
      {"@t1", t130509, "13:05"},             {"@t1.", t130509, "13.05"},
      {"@t*4", MakeStdTime(9, 5, 0), "*9:05:00"},
      {"@t4", kMaxStdTime, "23:59:59"},
      {"@t1", 0, "  :  "},                   {"@t1B", 0, "     "},
      {"@t1", kMaxStdTime + 1, "  :  "},     {"@t3", -7, "  :   M"},
  };
  for (const FormatCase& c : formats) {
    Picture p = Picture::Compile(c.picture);
    ASSERT_FALSE(p.empty()) << c.picture;
    EXPECT_EQ(p.Format(c.value), c.want) << c.picture << " " << c.value;
  }
  const DeformatCase deformats[] = {
      {"@t1", "12:30", half_past_noon},       {"@t3", "12:30PM", half_past_noon},
      {"@t3", "12:30AM", half_past_midnight}, {"@t3", "1:05PM", MakeStdTime(13, 5, 0)},
      {"@t1", "1:05 pm", MakeStdTime(13, 5, 0)},
      {"@t6", " 1:05:09PM", t130509},         {"@t2", "0930", MakeStdTime(9, 30, 0)},
      {"@t2", "9:30", MakeStdTime(9, 30, 0)}, {"@t1", "9", MakeStdTime(9, 0, 0)},
      {"@t1", "24:00", -1},                   {"@t1", "23:60", -1},
      {"@t4", "12:30:60", -1},                {"@t3", "13:00PM", -1},
      {"@t1", "", 0},                         {"@t1", "xx", 0},
      {"@t1", "  :  ", 0},
  };
  for (const DeformatCase& c : deformats) {
    Picture p = Picture::Compile(c.picture);
    PictureValue v;
    EXPECT_EQ(p.TryDeformat(c.text, &v), c.want != -1) << c.picture << " '" << c.text << "'";
    EXPECT_EQ(Value(v), c.want) << c.picture << " '" << c.text << "'";
  }
  for (const char* bad : {"@t", "@t0", "@t9", "@t10", "@t1x", "@t1::"}) {
    EXPECT_TRUE(Picture::Compile(bad).empty()) << bad;
  }
}

TEST(LocalePictureTest, CLocaleDefaults) {
  ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
  const std::int32_t t = MakeStdTime(9, 5, 7);
  EXPECT_EQ(Picture::Compile("@d17").Format(kJan5), "01/05/2024");
  Picture long_date = Picture::Compile("@D18");
  EXPECT_EQ(long_date.Format(kJan5), "Friday, January 05, 2024     ");
  EXPECT_EQ(Value(long_date.Deformat("Friday, January 05, 2024")), kJan5);
  EXPECT_EQ(Value(Picture::Compile("@d17").Deformat("01/05/2024")), kJan5);
  EXPECT_EQ(Picture::Compile("@t7").Format(t), "09:05");
  EXPECT_EQ(Picture::Compile("@T8").Format(t), "09:05:07");
  EXPECT_EQ(Value(Picture::Compile("@T8").Deformat("09:05:07")), t);
}

TEST(LocalePictureTest, LocaleFormatsBecomePositions) {
  using picture_internal::DatePartOf;
  using picture_internal::WithoutSeconds;
  // Date parts of the date-and-time formats that C libraries ship.
  EXPECT_EQ(DatePartOf("%a %b %e %H:%M:%S %Z %Y"), "%a %b %e %Y");
  EXPECT_EQ(DatePartOf("%a %e %b %Y %H:%M:%S %Z"), "%a %e %b %Y");
  EXPECT_EQ(DatePartOf("%a %-d. %b %H:%M:%S %Z %Y"), "%a %-d. %b %Y");
  EXPECT_EQ(DatePartOf("%a %b %e %r %Z %Y"), "%a %b %e %Y");
  EXPECT_EQ(WithoutSeconds("%H:%M:%S"), "%H:%M");
  EXPECT_EQ(WithoutSeconds("%I:%M:%S %p"), "%I:%M %p");
  EXPECT_EQ(WithoutSeconds("%H.%M"), "%H.%M");

  picture_internal::TimeLocale loc;
  loc.am = "a. m.";
  std::vector<PicturePosition> pos;
  bool variable = false;
  ASSERT_TRUE(picture_internal::ExpandLocaleFormat("%-d.%m.%Y %r", loc, &pos, &variable));
  std::string kinds;
  for (const PicturePosition& p : pos) kinds += static_cast<char>('A' + static_cast<int>(p.kind));
  auto k = [](PositionKind kind) { return static_cast<char>('A' + static_cast<int>(kind)); };
  const std::string want = std::string(2, k(PositionKind::kDayDigit)) +
                           k(PositionKind::kDateTimeSeparator) +
                           std::string(2, k(PositionKind::kMonthDigit)) +
                           k(PositionKind::kDateTimeSeparator) +
                           std::string(4, k(PositionKind::kYearDigit)) +
                           k(PositionKind::kLiteral) + std::string(2, k(PositionKind::kHourDigit)) +
                           k(PositionKind::kDateTimeSeparator) +
                           std::string(2, k(PositionKind::kMinuteDigit)) +
                           k(PositionKind::kDateTimeSeparator) +
                           std::string(2, k(PositionKind::kSecondDigit)) +
                           k(PositionKind::kLiteral) + std::string(5, k(PositionKind::kAmPm));
  EXPECT_EQ(kinds, want);
  EXPECT_TRUE(pos[0].suppressible);
  EXPECT_FALSE(variable);
  pos.clear();
  ASSERT_TRUE(picture_internal::ExpandLocaleFormat("%B", loc, &pos, &variable));
  EXPECT_EQ(pos.size(), 9u);  // "September"
  EXPECT_TRUE(variable);
  // A format that expands beyond the picture size limit is refused.
  pos.clear();
  std::string huge;
  for (int i = 0; i < 40; ++i) huge += "%A ";
  EXPECT_FALSE(picture_internal::ExpandLocaleFormat(huge, loc, &pos, &variable));
}

}  // namespace
}  // namespace rt
