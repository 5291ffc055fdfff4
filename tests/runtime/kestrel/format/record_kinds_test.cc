#include "runtime/kestrel/format/record_kinds.h"

#include <gtest/gtest.h>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/locale.h"

namespace kestrel {
namespace {

TEST(RecordKindsTest, KeysHaveTheirLayoutAndParseBack) {
  EXPECT_EQ(HexBytes(DataKey(0x0102, 0x0A0B0C)), "00 00 01 02 F3 00 0A 0B 0C");
  EXPECT_EQ(HexBytes(StatisticsKey(1, 3)), "00 00 00 01 F6 03");
  EXPECT_EQ(HexBytes(DefinitionKey(1, 0x0102)), "00 00 00 01 FA 02 01");
  EXPECT_EQ(HexBytes(LocaleKey(1)), "00 00 00 01 FB 01");
  EXPECT_EQ(HexBytes(MemoKey(1, 5, 2, 0x0103)), "00 00 00 01 FC 00 00 00 05 02 01 03");
  EXPECT_EQ(HexBytes(NameKey("QVL")), "FE 51 56 4C");
  EXPECT_EQ(HexBytes(TransactionLinkKey()), "FF");

  EXPECT_EQ(ParseKey("").kind, RecordKind::kSentinel);
  ParsedKey d = ParseKey(DataKey(7, 99));
  EXPECT_EQ(d.kind, RecordKind::kData);
  EXPECT_EQ(d.table, 7u);
  EXPECT_EQ(d.id, 99u);
  ParsedKey m = ParseKey(MemoKey(7, 99, 1, 300));
  EXPECT_EQ(m.kind, RecordKind::kMemo);
  EXPECT_EQ(m.memo, 1);
  EXPECT_EQ(m.segment, 300);
  EXPECT_EQ(ParseKey(DefinitionKey(7, 2)).block, 2);
  EXPECT_EQ(ParseKey(StatisticsKey(7, kKindData)).subject, kKindData);
  EXPECT_EQ(ParseKey(LocaleKey(7)).kind, RecordKind::kLocale);
  const std::string name_key = NameKey("QVLIBRETA");  // parsed keys are views into the key
  ParsedKey n = ParseKey(name_key);
  EXPECT_EQ(n.kind, RecordKind::kName);
  EXPECT_EQ(n.name, "QVLIBRETA");
  const std::string entry_key = KeyEntryPrefix(7, 0xEF) + "abc";
  ParsedKey e = ParseKey(entry_key);
  EXPECT_EQ(e.kind, RecordKind::kKeyEntry);
  EXPECT_EQ(e.key_number, 0xEF);
  EXPECT_EQ(e.components, "abc");
  EXPECT_EQ(ParseKey(TransactionLinkKey()).kind, RecordKind::kTransactionLink);
  // Wrong lengths for their kind are not taken for that kind.
  EXPECT_EQ(ParseKey(DataKey(7, 99) + "x").kind, RecordKind::kUnknown);
  EXPECT_EQ(ParseKey(std::string("\0\0\0", 3)).kind, RecordKind::kUnknown);
}

TEST(RecordKindsTest, ValuesRoundTripAndRejectWrongSizes) {
  Statistics st{12, 0x80000001u};
  EXPECT_EQ(HexBytes(st.Encode()), "0C 00 00 00 01 00 00 80");
  Statistics back;
  ASSERT_TRUE(Statistics::Decode(st.Encode(), &back).ok());
  EXPECT_EQ(back.marker, 0x80000001u);
  EXPECT_EQ(Statistics::Decode("1234567", &back).check(), Check::kRecordValue);

  TransactionLink link{0x01020304, "C:\\kEstreL.TCF"};
  TransactionLink lb;
  ASSERT_TRUE(TransactionLink::Decode(link.Encode(), &lb).ok());
  EXPECT_EQ(lb.control_file, "C:\\kEstreL.TCF");
  EXPECT_EQ(lb.transaction_id, 0x01020304u);
  EXPECT_FALSE(TransactionLink::Decode("\x01\x02\x03\x04x", &lb).ok()) << "no terminator";

  uint32_t table = 0;
  ASSERT_TRUE(DecodeTableNumber(EncodeTableNumber(0x01020304), &table).ok());
  EXPECT_EQ(table, 0x01020304u);
  EXPECT_FALSE(DecodeTableNumber("abc", &table).ok());
}

TEST(LocaleTest, DefaultTablesFoldWindows1252Letters) {
  const LocaleTables& t = DefaultLocaleTables();
  struct Case { uint8_t in, folded; };
  const Case cases[] = {{'A', 'a'}, {'z', 'z'}, {0xD1, 0xF1}, {0xC9, 0xE9}, {0x8A, 0x9A},
                        {0x9F, 0xFF}, {0xD7, 0xD7}, {0xDF, 0xDF}, {'1', '1'}};
  for (Case c : cases) EXPECT_EQ(t.foldCase(c.in), c.folded) << int(c.in);
  EXPECT_EQ(t.upper(0xF1), 0xD1);
  EXPECT_FALSE(t.collationInForce());

  LocaleRecord r{true, t};
  const std::string v = r.Encode();
  ASSERT_EQ(v.size(), 1153u);
  LocaleRecord back;
  ASSERT_TRUE(LocaleRecord::Decode(v, &back).ok());
  EXPECT_TRUE(back.oem);
  EXPECT_EQ(back.tables, t);
  EXPECT_EQ(LocaleRecord::Decode(v.substr(1), &back).check(), Check::kRecordValue);
}

}  // namespace
}  // namespace kestrel
