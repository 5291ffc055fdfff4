#include "runtime/kestrel/format/record_stream.h"

#include <gtest/gtest.h>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

using testing::Hex;

TEST(RecordStreamTest, SharesPrefixesAndFlagsOnlyChangedLengths) {
  std::vector<Record> records = {
      Record("", ""),            // the low sentinel
      Record("AB", "xy"),
      Record("AC", "zz"),        // same lengths: neither length flagged, shares "A"
      Record("ACD", "z"),        // same record length, other key length
  };
  std::string s;
  ASSERT_TRUE(EncodeRecordStream(records, &s).ok());
  EXPECT_EQ(HexBytes(s), HexBytes(Hex("C0 0000 0000"
                                      " C0 0400 0200 41 42 78 79"
                                      " 01 43 7A 7A"
                                      " 42 0300 44 7A")));
  std::vector<Record> back;
  ASSERT_TRUE(DecodeRecordStream(s, records.size(), &back).ok());
  EXPECT_EQ(back, records);
}

TEST(RecordStreamTest, SharedCountIsCappedAt63) {
  std::string key(100, 'k');
  std::vector<Record> records = {Record(key + "1", ""), Record(key + "2", "")};
  std::string s;
  ASSERT_TRUE(EncodeRecordStream(records, &s).ok());
  const size_t second = 1 + 4 + 101;
  EXPECT_EQ(static_cast<uint8_t>(s[second]), 63);
  EXPECT_EQ(s.size(), second + 1 + (101 - 63));
  std::vector<Record> back;
  ASSERT_TRUE(DecodeRecordStream(s, 2, &back).ok());
  EXPECT_EQ(back, records);
}

TEST(RecordStreamTest, RejectsOversizedRecords) {
  std::string s;
  EXPECT_EQ(EncodeRecordStream({Record("k", std::string(15093, 'v'))}, &s).check(),
            Check::kRecordTooLong);
  s.clear();
  EXPECT_TRUE(EncodeRecordStream({Record("k", std::string(15092, 'v'))}, &s).ok());
}

TEST(RecordStreamTest, HostileStreamsFailTheLengthCheck) {
  struct Case { const char* hex; size_t count; };
  const Case cases[] = {
      {"", 1},                       // nothing to read
      {"80 0100 41", 1},             // first record without its key length
      {"C1 0200 0000 41", 1},        // first record claims a shared prefix
      {"C0 0500 0000 41", 1},        // record longer than the stream
      {"C0 0100 0200 41", 1},        // key longer than the record
      {"C0 0100 0000 41 FF", 1},     // bytes left after the last record
      {"C0 0100 0000 41 05 42", 2},  // shares more than the previous record has
      {"C0 0000 0000", 3},           // count beyond the stream
  };
  for (const Case& c : cases) {
    std::vector<Record> out;
    EXPECT_FALSE(DecodeRecordStream(Hex(c.hex), c.count, &out).ok()) << c.hex;
  }
}

}  // namespace
}  // namespace kestrel
