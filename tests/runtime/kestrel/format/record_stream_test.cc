#include "runtime/kestrel/format/record_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"

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

// Measuring agrees with the stream built, runs included: runs inside one
// record's bytes, and runs that cross into the next record's flag and
// length bytes or over several short records.
TEST(RecordStreamTest, MeasureMatchesTheBuiltStream) {
  std::mt19937 rng(5);
  // Few distinct bytes, among them typical flag and length bytes.
  const char alphabet[] = {'\x00', '\x01', '\x02', '\x40', '\x80', 'a'};
  int with_run = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<Record> records;
    const size_t count = rng() % 10;
    const size_t longest = rng() % 4 == 0 ? 200 : 6;
    for (size_t i = 0; i < count; ++i) {
      std::string bytes(rng() % longest, '\0');
      const size_t kinds = rng() % 3 == 0 ? 6 : 3;
      for (char& c : bytes) c = alphabet[rng() % kinds];
      Record r;
      r.key_length = static_cast<uint16_t>(rng() % (bytes.size() + 1));
      r.bytes = std::move(bytes);
      records.push_back(std::move(r));
    }
    std::string stream;
    ASSERT_TRUE(EncodeRecordStream(records, &stream).ok());
    size_t size = 0;
    bool has_run = false;
    ASSERT_TRUE(MeasureRecordStream(records, &size, &has_run).ok());
    ASSERT_EQ(size, stream.size()) << round;
    ASSERT_EQ(has_run, HasRun(stream)) << round << ": " << HexBytes(stream);
    with_run += has_run;
  }
  EXPECT_GT(with_run, 400);
  EXPECT_LT(with_run, 3600);

  std::vector<Record> too_long(1);
  too_long[0].bytes.assign(kMaxRecordLength + 1, 'x');
  size_t size = 0;
  bool has_run = false;
  EXPECT_EQ(MeasureRecordStream(too_long, &size, &has_run).check(), Check::kRecordTooLong);
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
