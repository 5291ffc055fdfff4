#include "runtime/kestrel/format/key_encoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

using testing::Hex;

FieldDef Field(FieldType type, uint16_t offset, uint16_t size) {
  FieldDef f;
  f.type = type;
  f.offset = offset;
  f.size = size;
  return f;
}

std::string Encode(FieldType type, std::string_view bytes, bool descending = false, bool no_case = false) {
  std::string out;
  EncodeComponent(Field(type, 0, static_cast<uint16_t>(bytes.size())), descending, no_case,
                  DefaultLocaleTables(), bytes, &out);
  return HexBytes(out);
}

std::string Le32(int32_t v) {
  std::string s(4, '\0');
  Put32LE(s.data(), static_cast<uint32_t>(v));
  return s;
}

std::string Float(float f) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &f, 4);
  return s;
}

TEST(KeyEncoderTest, ComponentEncodingsByType) {
  struct Case { FieldType type; std::string in; bool desc; bool no_case; const char* hex; };
  const Case cases[] = {
      {FieldType::kLong, Le32(-1), false, false, "7F FF FF FF"},
      {FieldType::kLong, Le32(0), false, false, "80 00 00 00"},
      {FieldType::kLong, Le32(0), true, false, "7F FF FF FF"},
      {FieldType::kLong, Le32(0x01020304), false, false, "81 02 03 04"},
      {FieldType::kShort, Hex("FE FF"), false, false, "7F FE"},            // -2
      {FieldType::kULong, Hex("01 02 03 04"), false, false, "04 03 02 01"},
      {FieldType::kDate, Hex("19 0C E7 07"), false, false, "07 E7 0C 19"},  // 25 Dec 2023
      {FieldType::kSReal, Float(1.0f), false, false, "BF 80 00 00"},
      {FieldType::kSReal, Float(-1.0f), false, false, "40 7F FF FF"},
      {FieldType::kSReal, Float(-1.0f), true, false, "BF 80 00 00"},     // complemented twice
      {FieldType::kDecimal, Hex("00 00 07 50"), false, false, "80 00 07 50"},  // 7.50
      {FieldType::kDecimal, Hex("10 00 01 00"), false, false, "7F FF FE FF"},  // -1.00
      {FieldType::kString, "Ab ", false, false, "41 62 20"},
      {FieldType::kString, "Ab\xD1", false, true, "61 62 F1"},            // N with tilde folds
      {FieldType::kString, "Ab", true, false, "BE 9D"},
      {FieldType::kCString, std::string("AB\0Z", 4), false, true, "61 62 00 00"},
      {FieldType::kPString, std::string("\x02" "ABZ", 4), false, false, "41 42 00 00"},
      {FieldType::kByte, Hex("05"), false, false, "05"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Encode(c.type, c.in, c.desc, c.no_case), HexBytes(Hex(c.hex)))
        << FieldTypeName(c.type) << " " << HexBytes(c.in) << (c.desc ? " desc" : "");
  }
}

TEST(KeyEncoderTest, TextUsesTheTablesStoredWithTheTable) {
  // A table whose stored locale has a collation in force sorts through its weights,
  // after case folding; numbers are untouched by the locale.
  LocaleTables t = DefaultLocaleTables();
  t.bytes[kCollationOffset] = 1;
  t.bytes[kSortWeightOffset + 0xF1] = 'n' + 1;  // n with tilde right after n
  t.bytes[kSortWeightOffset + 'o'] = 'n' + 2;
  std::string out;
  EncodeComponent(Field(FieldType::kString, 0, 3), false, true, t, "\xD1Oa", &out);
  EXPECT_EQ(HexBytes(out), "6F 70 61");
  out.clear();
  EncodeComponent(Field(FieldType::kLong, 0, 4), false, true, t, Le32(0x6F), &out);
  EXPECT_EQ(HexBytes(out), "80 00 00 6F");
}

TEST(KeyEncoderTest, NumericEncodingsSortLikeTheirValues) {
  const int32_t longs[] = {-2147483647 - 1, -70000, -1, 0, 1, 255, 256, 2147483647};
  for (size_t i = 1; i < std::size(longs); ++i) {
    std::string a, b;
    const FieldDef f = Field(FieldType::kLong, 0, 4);
    EncodeComponent(f, false, false, DefaultLocaleTables(), Le32(longs[i - 1]), &a);
    EncodeComponent(f, false, false, DefaultLocaleTables(), Le32(longs[i]), &b);
    EXPECT_LT(CompareKeys(a, b), 0) << longs[i - 1] << " < " << longs[i];
  }
  const float reals[] = {-1e9f, -2.5f, -0.5f, 0.0f, 0.25f, 3.0f, 1e9f};
  for (size_t i = 1; i < std::size(reals); ++i) {
    std::string a, b;
    const FieldDef f = Field(FieldType::kSReal, 0, 4);
    EncodeComponent(f, false, false, DefaultLocaleTables(), Float(reals[i - 1]), &a);
    EncodeComponent(f, false, false, DefaultLocaleTables(), Float(reals[i]), &b);
    EXPECT_LT(CompareKeys(a, b), 0) << reals[i - 1] << " < " << reals[i];
  }
}

TEST(KeyEncoderTest, DecodeComponentInvertsNumericEncodings) {
  struct Case { FieldType type; std::string raw; };
  const Case cases[] = {{FieldType::kLong, Le32(-5)}, {FieldType::kShort, Hex("34 12")},
                        {FieldType::kSReal, Float(-3.25f)}, {FieldType::kSReal, Float(8.0f)},
                        {FieldType::kDate, Hex("01 02 D0 07")}, {FieldType::kDecimal, Hex("00 12 34 50")}};
  for (const Case& c : cases) {
    for (bool desc : {false, true}) {
      const FieldDef f = Field(c.type, 0, static_cast<uint16_t>(c.raw.size()));
      std::string enc;
      EncodeComponent(f, desc, false, DefaultLocaleTables(), c.raw, &enc);
      EXPECT_EQ(HexBytes(DecodeComponent(f, desc, enc)), HexBytes(c.raw)) << FieldTypeName(c.type);
    }
  }
  // A negative decimal comes back negative (its sign nibble is not kept).
  const FieldDef d = Field(FieldType::kDecimal, 0, 4);
  std::string enc;
  EncodeComponent(d, false, false, DefaultLocaleTables(), Hex("10 00 01 00"), &enc);
  const std::string back = DecodeComponent(d, false, enc);
  EXPECT_NE(static_cast<uint8_t>(back[0]) & 0xF0, 0);
  EXPECT_EQ(HexBytes(back.substr(1)), "00 01 00");
}

class KeyEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    def.record_length = 14;
    def.fields = {Field(FieldType::kLong, 0, 4), Field(FieldType::kString, 4, 10)};
    KeyDef unique;
    unique.attributes = kKeyExcludeBlank;
    unique.components = {{0, 0}};
    KeyDef dup;
    dup.attributes = kKeyDuplicates | kKeyNoCase | kKeyExcludeBlank;
    dup.components = {{1, 0}, {0, 1}};
    KeyDef dynamic;
    dynamic.attributes = kKeyDynamic;
    dynamic.components = {{0, 0}};
    def.keys = {unique, dup, dynamic};
  }
  std::string Row(int32_t n, std::string_view text) {
    std::string r = Le32(n) + std::string(text);
    r.resize(14, ' ');
    return r;
  }
  TableDef def;
};

TEST_F(KeyEntryTest, EntryCarriesTableKeyComponentsAndIdForDuplicates) {
  std::optional<Record> e;
  ASSERT_TRUE(BuildKeyEntry(0x10, 0, def, Row(3, "Ana"), DefaultLocaleTables(), 0x77, &e).ok());
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(HexBytes(e->key()), "00 00 00 10 00 80 00 00 03");
  EXPECT_EQ(HexBytes(e->value()), "00 00 00 77");

  ASSERT_TRUE(BuildKeyEntry(0x10, 1, def, Row(0, "Ana"), DefaultLocaleTables(), 0x77, &e).ok());
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(HexBytes(e->key()),
            "00 00 00 10 01 61 6E 61 20 20 20 20 20 20 20 7F FF FF FF 00 00 00 77");
}

TEST_F(KeyEntryTest, BlankAndRunTimeKeysGetNoEntry) {
  std::optional<Record> e;
  ASSERT_TRUE(BuildKeyEntry(1, 0, def, Row(0, "x"), DefaultLocaleTables(), 5, &e).ok());
  EXPECT_FALSE(e.has_value()) << "LONG 0 is blank";
  ASSERT_TRUE(BuildKeyEntry(1, 1, def, Row(0, ""), DefaultLocaleTables(), 5, &e).ok());
  EXPECT_FALSE(e.has_value()) << "spaces and zero are blank";
  ASSERT_TRUE(BuildKeyEntry(1, 1, def, Row(1, ""), DefaultLocaleTables(), 5, &e).ok());
  EXPECT_TRUE(e.has_value()) << "one non-blank component is enough";
  ASSERT_TRUE(BuildKeyEntry(1, 2, def, Row(9, "x"), DefaultLocaleTables(), 5, &e).ok());
  EXPECT_FALSE(e.has_value()) << "run-time index entries live outside the file";
}

TEST_F(KeyEntryTest, ComponentLimitsAndLayoutAreChecked) {
  std::optional<Record> e;
  EXPECT_EQ(BuildKeyEntry(1, 0, def, Row(1, "").substr(0, 3), DefaultLocaleTables(), 5, &e).check(),
            Check::kFieldLayout);
  def.fields.push_back(Field(FieldType::kString, 0, 7517));
  def.keys[0].components = {{0, 0}, {2, 0}};  // 4 + 7517 = 7521: fits
  std::string big = Row(1, "");
  big.resize(7517, ' ');
  EXPECT_TRUE(BuildKeyEntry(1, 0, def, big, DefaultLocaleTables(), 5, &e).ok());
  def.fields[2].size = 7523;  // 7527 bytes in all
  big.resize(7523, ' ');
  Status s = BuildKeyEntry(1, 0, def, big, DefaultLocaleTables(), 5, &e);
  EXPECT_TRUE(s.isMismatch());
  EXPECT_EQ(s.item(), kKeyTooLongMessage);
}

}  // namespace
}  // namespace kestrel
