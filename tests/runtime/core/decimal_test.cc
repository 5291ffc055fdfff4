#include "runtime/core/decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rt {
namespace {

Decimal D(const char* s) {
  std::optional<Decimal> d = Decimal::Parse(s);
  EXPECT_TRUE(d.has_value()) << s;
  return d.value_or(Decimal::Invalid());
}

TEST(DecimalTest, ParseAndPrintKeepExactDigits) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"0", "0"},         {"-0", "0"},          {"7.50", "7.50"},   {" -12.5 ", "-12.5"},
      {".5", "0.5"},      {"3.", "3"},          {"+0.05", "0.05"},  {"000123", "123"},
      {"1234567890123456789012345678901", "1234567890123456789012345678901"},
      {"-0.0000000000000000000000000000001", "-0.0000000000000000000000000000001"},
      {"99999999999999999999999999999999999999", "99999999999999999999999999999999999999"},
  };
  for (const Case& c : cases) EXPECT_EQ(D(c.in).ToString(), c.out) << c.in;
  for (const char* bad : {"", " ", "-", ".", "1.2.3", "12a", "1 2", "--1", "1e5",
                          "100000000000000000000000000000000000000"}) {
    EXPECT_FALSE(Decimal::Parse(bad).has_value()) << bad;
  }
  // Places beyond what fits are rounded, not refused.
  EXPECT_EQ(D("0.12345678901234567890123456789012345678949").ToString(),
            "0.12345678901234567890123456789012345679");
}

TEST(DecimalTest, ArithmeticIsExact) {
  EXPECT_EQ(D("0.1") + D("0.2"), D("0.3"));
  EXPECT_EQ((D("0.1") + D("0.2")).ToString(), "0.3");
  struct Case {
    const char* a;
    char op;
    const char* b;
    const char* want;
  } cases[] = {
      {"7.25", '+', "0.75", "8.00"},   {"1", '-', "1.01", "-0.01"},
      {"-5.5", '-', "-5.5", "0.0"},    {"-2", '+', "0.5", "-1.5"},
      {"1.5", '*', "1.5", "2.25"},     {"-0.1", '*', "0.1", "-0.01"},
      {"123456789012345", '*', "1000000000000000", "123456789012345000000000000000"},
      {"9999999999999999999999999999999", '+', "1", "10000000000000000000000000000000"},
  };
  for (const Case& c : cases) {
    Decimal r = c.op == '+' ? D(c.a) + D(c.b) : (c.op == '-' ? D(c.a) - D(c.b) : D(c.a) * D(c.b));
    EXPECT_EQ(r.ToString(), c.want) << c.a << c.op << c.b;
  }
  Decimal sum;
  for (int i = 0; i < 10; ++i) sum += D("0.1");
  EXPECT_EQ(sum, Decimal(1));
}

TEST(DecimalTest, WideResultsRoundOrBecomeInvalid) {
  // A product with too many places keeps 38 digits, rounded.
  Decimal third = Decimal::Divide(1, 3, 38);
  EXPECT_EQ((third * third).ToString(), "0.11111111111111111111111111111111111111");
  // An integer part beyond 38 digits cannot be held.
  Decimal big = D("99999999999999999999999999999999999999");
  EXPECT_FALSE((big + 1).IsValid());
  EXPECT_FALSE((big * 10).IsValid());
  EXPECT_FALSE((big * 10 - big * 10).IsValid());  // invalid propagates
  EXPECT_EQ((big * 10).ToString(), "");
  EXPECT_TRUE((big - 1).IsValid());
}

TEST(DecimalTest, DivideRoundsHalfAwayFromZero) {
  struct Case {
    const char* a;
    const char* b;
    int places;
    const char* want;
  } cases[] = {
      {"23", "3", 2, "7.67"},     {"-23", "3", 2, "-7.67"},    {"1", "8", 2, "0.13"},
      {"-1", "8", 2, "-0.13"},    {"1", "3", 0, "0"},          {"2", "3", 0, "1"},
      {"15", "2", 0, "8"},        {"7.5", "0.5", 1, "15.0"},   {"0.001", "1000", 6, "0.000001"},
      {"1", "0.0000000000000000000000000000000000003", 0, "3333333333333333333333333333333333333"},
      {"8.5", "1", 2, "8.50"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decimal::Divide(D(c.a), D(c.b), c.places).ToString(), c.want)
        << c.a << "/" << c.b << " to " << c.places;
  }
  EXPECT_FALSE(Decimal::Divide(1, 0, 2).IsValid());
  EXPECT_FALSE(Decimal::Divide(Decimal::Invalid(), 1, 2).IsValid());
}

TEST(DecimalTest, RoundTruncateAndCompare) {
  struct Case {
    const char* in;
    int places;
    const char* round;
    const char* trunc;
  } cases[] = {
      {"2.345", 2, "2.35", "2.34"},  {"-2.345", 2, "-2.35", "-2.34"}, {"2.5", 0, "3", "2"},
      {"-2.5", 0, "-3", "-2"},       {"2.4999", 0, "2", "2"},         {"0.004", 2, "0.00", "0.00"},
      {"-0.004", 2, "0.00", "0.00"}, {"9.995", 2, "10.00", "9.99"},   {"7.25", 5, "7.25", "7.25"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(D(c.in).Round(c.places).ToString(), c.round) << c.in;
    EXPECT_EQ(D(c.in).Truncate(c.places).ToString(), c.trunc) << c.in;
  }
  EXPECT_EQ(D("7.00"), Decimal(7));
  EXPECT_LT(D("6.99"), Decimal(7));
  EXPECT_GT(D("-0.01"), Decimal(-1));
  EXPECT_LT(D("-1.5"), D("-1.25"));
  EXPECT_GT(D("100000000000000000000000000000000000"), D("99999999999999999999999999999999.99"));
  EXPECT_FALSE(Decimal::Invalid() == Decimal::Invalid());
  EXPECT_FALSE(Decimal::Invalid() < Decimal(1));
  EXPECT_FALSE(Decimal::Invalid() >= Decimal(1));
  EXPECT_EQ(D("7.50").Normalized().ToString(), "7.5");
  EXPECT_EQ(D("-7.5").ToString(3), "-7.500");
  EXPECT_EQ(D("12.3456").ToString(0), "12");
  EXPECT_EQ(D("1.25").ScaledByPowerOfTen(3).ToString(), "1250");
  EXPECT_EQ(D("1.25").ScaledByPowerOfTen(-3).ToString(), "0.00125");
  EXPECT_EQ(D("-9.99").ToInt64(), -9);
  EXPECT_EQ(Decimal(INT64_MIN).ToInt64(), INT64_MIN);
  EXPECT_FALSE(D("9223372036854775808").ToInt64().has_value());
}

TEST(DecimalTest, PackedBytesRoundTrip) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    int places;
    const char* value;
  } cases[] = {
      {{0x00, 0x00, 0x07, 0x50}, 2, "7.50"},
      {{0xF0, 0x00, 0x12, 0x34}, 2, "-12.34"},
      {{0x09, 0x99, 0x99, 0x99}, 2, "99999.99"},
      {{0x00, 0x00, 0x00, 0x00}, 2, "0.00"},
      {{0x01}, 0, "1"},
      {{0x01, 0x23, 0x45, 0x67, 0x89, 0x01, 0x23, 0x45, 0x67, 0x89, 0x01, 0x23, 0x45, 0x67,
        0x89, 0x01},
       5, "12345678901234567890123456.78901"},
  };
  for (const Case& c : cases) {
    Decimal d = Decimal::FromPacked(c.bytes, c.places);
    EXPECT_EQ(d.ToString(), c.value);
    std::vector<std::uint8_t> out(c.bytes.size(), 0xAA);
    ASSERT_TRUE(d.ToPacked(out, c.places)) << c.value;
    EXPECT_EQ(out, c.bytes) << c.value;
  }
  // Any non-zero sign nibble is negative.
  EXPECT_EQ(Decimal::FromPacked(std::vector<std::uint8_t>{0x10, 0x05}, 1).ToString(), "-0.5");
}

TEST(DecimalTest, PackedRejectsWhatDoesNotFit) {
  std::array<std::uint8_t, 4> out = {1, 2, 3, 4};
  const std::array<std::uint8_t, 4> untouched = out;
  EXPECT_FALSE(D("100000").ToPacked(out, 2));  // 8 digits in a 7-digit field
  EXPECT_FALSE(Decimal::Invalid().ToPacked(out, 2));
  EXPECT_FALSE(Decimal(1).ToPacked(out, 8));
  EXPECT_FALSE(Decimal(1).ToPacked(std::span<std::uint8_t>(), 0));
  EXPECT_EQ(out, untouched);
  // Extra places round half away from zero on the way in.
  ASSERT_TRUE(D("-7.125").ToPacked(out, 2));
  EXPECT_EQ(Decimal::FromPacked(out, 2).ToString(), "-7.13");
  EXPECT_FALSE(D("99999.995").ToPacked(out, 2));  // rounds to 100000.00
  // A negative value that rounds to zero is stored as plain zero.
  ASSERT_TRUE(D("-0.001").ToPacked(out, 2));
  EXPECT_EQ(out[0], 0x00);

  EXPECT_FALSE(Decimal::FromPacked(std::vector<std::uint8_t>{0x00, 0x0A}, 0).IsValid());
  EXPECT_FALSE(Decimal::FromPacked(std::vector<std::uint8_t>{0x00, 0x00}, 4).IsValid());
  EXPECT_FALSE(Decimal::FromPacked(std::vector<std::uint8_t>(17, 0), 0).IsValid());
  EXPECT_FALSE(Decimal::FromPacked(std::span<const std::uint8_t>(), 0).IsValid());
}

}  // namespace
}  // namespace rt
