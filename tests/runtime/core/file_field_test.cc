#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/file_control.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/std_date.h"

namespace rt {
namespace {

// One field of every kind the record files use, an array, a group with an
// overlay, and memos.
FileDeclPtr fieldsDecl() {
  FileDeclBuilder b("F", "F", "F.KRL", "FAKE");
  b.Byte("F:B")                   // 0
      .Short("F:S")               // 1
      .UShort("F:US")             // 2
      .Long("F:L")                // 3
      .ULong("F:UL")              // 4
      .String("F:STR", 6)         // 5
      .CString("F:CS", 5)         // 6
      .PString("F:PS", 5)         // 7
      .Decimal("F:D", 4, 2)       // 8
      .Field("F:PD", FieldType::kPDecimal, 3, 1, 2)  // 9
      .Date("F:DT")               // 10
      .Decimal("F:ETAPA", 4, 2, 30)  // 11
      .Group("F:G")               // 12
      .Long("F:G1")               // 13
      .String("F:G2", 3)          // 14
      .EndGroup()
      .At(0)
      .String("F:OVER", 4)        // 15: lies over B and S
      .Memo("F:MEMO", 10)
      .Memo("F:BLOB", 0, kMemoBlob);
  FileDeclPtr d = b.Build();
  EXPECT_NE(d, nullptr) << b.error();
  return d;
}

class FileFieldTest : public ::testing::Test {
 protected:
  FileControlBlock file{fieldsDecl()};
  std::vector<uint8_t> bytes(int field, int element = 0) {
    auto b = fieldBytes(file, field, element);
    return {b.begin(), b.end()};
  }
};

TEST_F(FileFieldTest, IntegersRoundTripLittleEndianWithinTheirRange) {
  struct Case {
    int field;
    int64_t value;
    std::vector<uint8_t> stored;
  };
  const Case ok[] = {
      {0, 255, {0xFF}},
      {1, -2, {0xFE, 0xFF}},
      {1, -32768, {0x00, 0x80}},
      {2, 65535, {0xFF, 0xFF}},
      {3, -1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {3, 0x12345678, {0x78, 0x56, 0x34, 0x12}},
      {4, 4294967295LL, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : ok) {
    ASSERT_TRUE(setInteger(file, c.field, c.value)) << c.field << " " << c.value;
    EXPECT_EQ(bytes(c.field), c.stored);
    EXPECT_EQ(getInteger(file, c.field), c.value);
  }
  const std::pair<int, int64_t> out_of_range[] = {{0, 256}, {0, -1}, {1, 32768}, {2, -1}, {3, 1LL << 31}, {4, -1}};
  for (auto [field, value] : out_of_range) {
    std::vector<uint8_t> before = bytes(field);
    EXPECT_FALSE(setInteger(file, field, value)) << field << " " << value;
    EXPECT_EQ(bytes(field), before);
  }
  EXPECT_FALSE(getInteger(file, 5).has_value());  // a STRING is no integer
  EXPECT_FALSE(setInteger(file, 5, 1));
}

TEST_F(FileFieldTest, TextFieldsPadCutAndTerminate) {
  ASSERT_TRUE(setText(file, 5, "Ana"));
  EXPECT_EQ(getText(file, 5), "Ana   ");
  ASSERT_TRUE(setText(file, 5, "Bernardino"));
  EXPECT_EQ(getText(file, 5), "Bernar");

  ASSERT_TRUE(setText(file, 6, "abcdefg"));  // CSTRING(5): 4 characters and the terminator
  EXPECT_EQ(bytes(6), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 0}));
  EXPECT_EQ(getText(file, 6), "abcd");
  ASSERT_TRUE(setText(file, 6, "x"));
  EXPECT_EQ(bytes(6), (std::vector<uint8_t>{'x', 0, 0, 0, 0}));

  ASSERT_TRUE(setText(file, 7, "hello"));  // PSTRING(5): length byte and 4 characters
  EXPECT_EQ(bytes(7), (std::vector<uint8_t>{4, 'h', 'e', 'l', 'l'}));
  EXPECT_EQ(getText(file, 7), "hell");
  fieldBytes(file, 7)[0] = 200;  // a hostile length byte reads no further than the field
  EXPECT_EQ(getText(file, 7), "hell");

  EXPECT_FALSE(setText(file, 3, "12"));
  EXPECT_FALSE(getText(file, 3).has_value());
}

TEST_F(FileFieldTest, PackedDecimalsRoundTripExactly) {
  ASSERT_TRUE(setDecimal(file, 8, *Decimal::Parse("7.5")));
  EXPECT_EQ(bytes(8), (std::vector<uint8_t>{0x00, 0x00, 0x07, 0x50}));
  EXPECT_EQ(getDecimal(file, 8)->ToString(), "7.50");

  ASSERT_TRUE(setDecimal(file, 8, *Decimal::Parse("-12.345")));  // rounded half away from zero
  EXPECT_EQ(bytes(8), (std::vector<uint8_t>{0xF0, 0x00, 0x12, 0x35}));
  EXPECT_EQ(getDecimal(file, 8)->ToString(), "-12.35");

  std::vector<uint8_t> before = bytes(8);
  EXPECT_FALSE(setDecimal(file, 8, *Decimal::Parse("100000")));  // 7 digits with 2 places: too big
  EXPECT_FALSE(setDecimal(file, 8, Decimal::Invalid()));
  EXPECT_EQ(bytes(8), before);

  ASSERT_TRUE(setDecimal(file, 9, *Decimal::Parse("-123.45")));  // PDECIMAL: sign in the last nibble
  EXPECT_EQ(bytes(9), (std::vector<uint8_t>{0x12, 0x34, 0x5D}));
  EXPECT_EQ(getDecimal(file, 9)->ToString(), "-123.45");
  ASSERT_TRUE(setDecimal(file, 9, *Decimal::Parse("8")));
  EXPECT_EQ(getDecimal(file, 9)->ToString(), "8.00");

  ASSERT_TRUE(setDecimal(file, 3, *Decimal::Parse("41.5")));  // integers take the rounded value
  EXPECT_EQ(getInteger(file, 3), 42);
  EXPECT_EQ(getDecimal(file, 3)->ToString(), "42");
  EXPECT_FALSE(getDecimal(file, 5).has_value());

  fieldBytes(file, 8)[3] = 0x5A;  // a digit nibble above 9
  EXPECT_FALSE(getDecimal(file, 8)->IsValid());
}

TEST_F(FileFieldTest, DatesConvertToAndFromStandardDates) {
  int32_t d = MakeStdDate(2009, 3, 1);
  ASSERT_TRUE(setDate(file, 10, d));
  EXPECT_EQ(bytes(10), (std::vector<uint8_t>{1, 3, 0xD9, 0x07}));
  EXPECT_EQ(getDate(file, 10), d);

  ASSERT_TRUE(setDate(file, 10, 0));
  EXPECT_EQ(bytes(10), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(getDate(file, 10), 0);

  struct Stored {
    std::vector<uint8_t> raw;
    int32_t date;
  };
  const Stored stored[] = {
      {{31, 12, 0x10, 0x27}, kMaxStdDate},  // year 10000 counts as 31 December 9999
      {{1, 13, 0xD9, 0x07}, 0},             // month 13 is no date (not January of the next year)
      {{30, 2, 0xD9, 0x07}, 0},             // 30 February
      {{1, 1, 0x08, 0x07}, 0},              // year 1800: before the first standard date
  };
  for (const Stored& s : stored) {
    std::copy(s.raw.begin(), s.raw.end(), fieldBytes(file, 10).begin());
    EXPECT_EQ(getDate(file, 10), s.date);
  }
  EXPECT_FALSE(setDate(file, 10, -5));
  EXPECT_FALSE(setDate(file, 10, kMaxStdDate + 1));
  EXPECT_TRUE(setDate(file, 3, d));  // a LONG holds the day number itself
  EXPECT_EQ(getInteger(file, 3), d);
}

TEST_F(FileFieldTest, ArrayElementsAreSeparateAndBounded) {
  ASSERT_TRUE(setDecimal(file, 11, *Decimal::Parse("8"), 0));
  ASSERT_TRUE(setDecimal(file, 11, *Decimal::Parse("9.25"), 29));
  EXPECT_EQ(getDecimal(file, 11, 0)->ToString(), "8.00");
  EXPECT_EQ(getDecimal(file, 11, 1)->ToString(), "0.00");
  EXPECT_EQ(getDecimal(file, 11, 29)->ToString(), "9.25");
  EXPECT_EQ(file.decl().fields[11].offset + 29 * 4, fieldBytes(file, 11, 29).data() - file.record.data());
  EXPECT_FALSE(setDecimal(file, 11, *Decimal::Parse("1"), 30));
  EXPECT_FALSE(getDecimal(file, 11, -1).has_value());
  EXPECT_TRUE(fieldBytes(file, 99).empty());
}

TEST_F(FileFieldTest, LabelsResolveWithoutCaseWithOrWithoutPrefixAndWithSubscripts) {
  struct Case {
    const char* label;
    int field;
    int element;
  };
  const Case found[] = {
      {"F:L", 3, 0}, {"f:str", 5, 0}, {"STR", 5, 0}, {"F:ETAPA[1]", 11, 0}, {"f:etapa[30]", 11, 29}, {"G2", 14, 0},
  };
  for (const Case& c : found) {
    FieldRef ref = findFieldRef(file, c.label);
    EXPECT_TRUE(ref.valid()) << c.label;
    EXPECT_EQ(ref.field, c.field) << c.label;
    EXPECT_EQ(ref.element, c.element) << c.label;
  }
  for (const char* bad : {"F:NOPE", "X:L", "F:ETAPA[0]", "F:ETAPA[31]", "F:ETAPA[x]", "F:ETAPA[2", ""}) {
    EXPECT_FALSE(findFieldRef(file, bad).valid()) << bad;
  }
  EXPECT_EQ(file.decl().findMemo("memo"), 0);
  EXPECT_EQ(file.decl().findMemo("F:BLOB"), 1);
}

TEST_F(FileFieldTest, ValueTextIsWhatTheEvaluatorCompares) {
  setInteger(file, 1, -7);
  setText(file, 5, "Ana");
  setDecimal(file, 8, *Decimal::Parse("7.5"));
  setDate(file, 10, 80000);
  EXPECT_EQ(getValueText(findFieldRef(file, "F:S")), "-7");
  EXPECT_EQ(getValueText(findFieldRef(file, "F:STR")), "Ana");
  EXPECT_EQ(getValueText(findFieldRef(file, "F:D")), "7.50");
  EXPECT_EQ(getValueText(findFieldRef(file, "F:DT")), "80000");
  EXPECT_FALSE(getValueText(FieldRef{}).has_value());
}

TEST_F(FileFieldTest, ValuesSetFromTextOrOnlyWhenTheyFit) {
  struct Case {
    const char* label;
    const char* text;
    bool ok;
    std::optional<std::string> reads;  // value text afterwards
  };
  const std::string march = std::to_string(MakeStdDate(2009, 3, 1));
  const Case cases[] = {
      {"F:L", "-12", true, "-12"},
      {"F:L", " 41.5 ", true, "42"},
      {"F:L", "abc", false, "42"},
      {"F:B", "256", false, "0"},
      {"F:D", "7.5", true, "7.50"},
      {"F:D", "1e3", false, "7.50"},
      {"F:STR", "Ana", true, "Ana"},
      {"F:DT", "2009-03-01", true, march},
      {"F:DT", "2009-02-30", false, march},
      {"F:DT", "2009-13-01", false, march},
      {"F:DT", "09-03-01", false, march},
      {"F:DT", "80000", true, "80000"},
      {"F:DT", "", true, "0"},
      {"F:G", "x", false, std::nullopt},
  };
  for (const Case& c : cases) {
    FieldRef ref = findFieldRef(file, c.label);
    EXPECT_EQ(setValueText(ref, c.text), c.ok) << c.label << " <- " << c.text;
    if (c.reads) {
      EXPECT_EQ(getValueText(ref), *c.reads) << c.label << " <- " << c.text;
    }
  }
}

TEST_F(FileFieldTest, AssignmentConvertsThroughTheValue) {
  FileControlBlock other(fieldsDecl());
  auto ref = [](FileControlBlock& f, const char* label) { return findFieldRef(f, label); };
  setDecimal(file, 8, *Decimal::Parse("-3.25"));
  ASSERT_TRUE(assignValue(ref(other, "F:D"), ref(file, "F:D")));  // same type: the bytes
  EXPECT_EQ(getDecimal(other, 8)->ToString(), "-3.25");
  ASSERT_TRUE(assignValue(ref(other, "F:PD"), ref(file, "F:D")));
  EXPECT_EQ(getDecimal(other, 9)->ToString(), "-3.25");
  ASSERT_TRUE(assignValue(ref(other, "F:S"), ref(file, "F:D")));
  EXPECT_EQ(getInteger(other, 1), -3);
  ASSERT_TRUE(assignValue(ref(other, "F:STR"), ref(file, "F:D")));
  EXPECT_EQ(getText(other, 5), "-3.25 ");
  setText(file, 5, "81000");
  ASSERT_TRUE(assignValue(ref(other, "F:DT"), ref(file, "F:STR")));
  EXPECT_EQ(getDate(other, 10), 81000);
  ASSERT_TRUE(assignValue(ref(other, "F:L"), ref(other, "F:DT")));
  EXPECT_EQ(getInteger(other, 3), 81000);
  setText(file, 5, "many");
  EXPECT_FALSE(assignValue(ref(other, "F:L"), ref(file, "F:STR")));
  EXPECT_EQ(getInteger(other, 3), 81000);
  EXPECT_FALSE(assignValue(ref(other, "F:L"), FieldRef{}));
}

TEST_F(FileFieldTest, MemosArePaddedToTheirSizeAndBlobsKeptAsGiven) {
  ASSERT_TRUE(setMemo(file, 0, "abc"));
  EXPECT_EQ(file.memos[0], "abc       ");
  EXPECT_EQ(getMemo(file, 0), "abc");
  ASSERT_TRUE(setMemo(file, 0, "0123456789AB"));
  EXPECT_EQ(getMemo(file, 0), "0123456789");
  std::string binary("\0\1  ", 4);
  ASSERT_TRUE(setMemo(file, 1, binary));
  EXPECT_EQ(getMemo(file, 1), binary);
  EXPECT_FALSE(setMemo(file, 2, "x"));
  EXPECT_FALSE(getMemo(file, -1).has_value());
}

TEST_F(FileFieldTest, ClearingBlanksTextZeroesNumbersAndLeavesOverlaysAlone) {
  FileControlBlock fresh(fieldsDecl());
  EXPECT_EQ(getText(fresh, 5), "      ");
  EXPECT_EQ(getText(fresh, 14), "   ");
  EXPECT_EQ(getInteger(fresh, 0), 0);  // the overlay F:OVER did not blank B and S
  EXPECT_EQ(getInteger(fresh, 1), 0);
  EXPECT_EQ(getMemo(fresh, 0), "");
  EXPECT_EQ(fresh.memos[1], "");

  setInteger(file, 13, 5);
  setText(file, 14, "abc");
  clearField(file, 12, 1);  // a group clears member by member
  EXPECT_EQ(getInteger(file, 13), INT32_MAX);
  EXPECT_EQ(bytes(14), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
  clearField(file, 12, -1);
  EXPECT_EQ(getInteger(file, 13), INT32_MIN);
  clearField(file, 2, 1);
  EXPECT_EQ(getInteger(file, 2), 65535);
  clearField(file, 2, -1);
  EXPECT_EQ(getInteger(file, 2), 0);
}

// A declaration read from a damaged file may say anything: no access may
// leave the record buffer or loop.
TEST(FileFieldHostileTest, DamagedDeclarationsStayInsideTheBuffer) {
  auto decl = std::make_shared<FileDecl>();
  decl->record_length = 8;
  auto add = [&](FieldType type, uint16_t offset, uint16_t size, uint16_t elements, int16_t group) {
    FieldDecl f;
    f.type = type;
    f.offset = offset;
    f.size = size;
    f.elements = elements;
    f.group = group;
    f.places = 40;
    f.label = "H:F" + std::to_string(decl->fields.size());
    decl->fields.push_back(f);
  };
  add(FieldType::kGroup, 0, 8, 1, 2);        // its "group" follows it
  add(FieldType::kLong, 6, 4, 1, 0);         // runs past the record
  add(FieldType::kGroup, 0, 8, 1, 0);        // a cycle with field 0
  add(FieldType::kDecimal, 0, 40, 1, -1);    // wider than any packed number
  add(FieldType::kPString, 0, 8, 0, -1);     // no elements
  add(FieldType::kString, 60000, 10, 3, 99); // far outside, group out of range
  add(FieldType::kCString, 0, 1, 1, -1);
  add(FieldType::kDate, 2, 8, 2, -1);        // second element past the end
  decl->memos.push_back(MemoDecl{"H:M", "", 5, 0});
  FileControlBlock file(decl);
  file.record.assign(8, 0xFF);
  for (int fill : {0, 1, -1}) file.clearBuffers(fill);
  for (int f = -1; f <= static_cast<int>(decl->fields.size()); ++f) {
    for (int e = -1; e <= 3; ++e) {
      getInteger(file, f, e);
      setInteger(file, f, 1, e);
      getText(file, f, e);
      setText(file, f, "0123456789", e);
      getDecimal(file, f, e);
      setDecimal(file, f, Decimal(5), e);
      getDate(file, f, e);
      setDate(file, f, 80000, e);
      FieldRef ref{&file, f, e};
      getValueText(ref);
      setValueText(ref, "2020-01-01");
      assignValue(ref, FieldRef{&file, 1, 0});
      for (int fill : {0, 1, -1}) clearField(file, f, fill);
    }
  }
  EXPECT_TRUE(fieldBytes(file, 1).empty());
  EXPECT_TRUE(fieldBytes(file, 7, 1).empty());
  EXPECT_FALSE(getDecimal(file, 3).has_value());  // wider than the record
  EXPECT_EQ(file.record.size(), 8u);
}

}  // namespace
}  // namespace rt
