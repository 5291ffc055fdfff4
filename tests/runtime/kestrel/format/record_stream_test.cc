#include "runtime/kestrel/format/record_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/page.h"

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

// Streams written with any legal shared count, not only the longest one the
// encoder picks: the packed decoder gives the same records as the plain one,
// and its order check (which starts after the shared prefix) agrees with
// comparing whole keys.
TEST(RecordStreamTest, PackedDecodingMatchesPlainDecodingAndOrderCheck) {
  std::mt19937 rng(11);
  std::map<Check, int> outcomes;
  for (int round = 0; round < 3000; ++round) {
    const size_t count = 1 + rng() % 6;
    std::string s;
    size_t previous = 0;
    for (size_t i = 0; i < count; ++i) {
      const size_t length = rng() % 6;
      const size_t key = rng() % (length + 1);
      const size_t shared = i == 0 ? 0 : rng() % (std::min(previous, length) + 1);
      s.push_back(static_cast<char>((i == 0 ? 0xC0 : 0xC0 | shared)));
      Append16LE(&s, static_cast<uint16_t>(length));
      Append16LE(&s, static_cast<uint16_t>(key));
      for (size_t b = shared; b < length; ++b) s.push_back(static_cast<char>('A' + rng() % 2));
      previous = length;
    }
    std::vector<Record> plain;
    ASSERT_TRUE(DecodeRecordStream(s, count, &plain).ok());
    std::string bytes;
    std::vector<PackedRecord> packed;
    ASSERT_TRUE(DecodeRecordStreamPacked(s, count, &bytes, &packed).ok());
    ASSERT_EQ(packed.size(), plain.size());
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(bytes.substr(packed[i].offset, packed[i].length), plain[i].bytes);
      EXPECT_EQ(packed[i].key_length, plain[i].key_length);
    }
    const Check expected = CheckKeyOrder(plain).check();
    ++outcomes[expected];
    EXPECT_EQ(DecodeRecordStreamPacked(s, count, &bytes, &packed, true).check(), expected) << HexBytes(s);
  }
  // In order, equal keys and keys out of order all came up.
  EXPECT_GT(outcomes[Check::kNone], 100);
  EXPECT_GT(outcomes[Check::kDuplicateKey], 100);
  EXPECT_GT(outcomes[Check::kTreeShape], 100);
}

}  // namespace
}  // namespace kestrel
