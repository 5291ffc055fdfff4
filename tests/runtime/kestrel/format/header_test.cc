#include "runtime/kestrel/format/header.h"

#include <gtest/gtest.h>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

using testing::Hex;

TEST(HeaderTest, EncodesFieldsAtTheirOffsets) {
  Header h;
  h.journal_start = 0x1234;
  h.journal_end = 0x5678;
  h.last_id = 0x01020304;
  h.change_counter = 7;
  h.root = 3;
  h.area_start[2] = 10;
  h.area_end[2] = 14;
  const std::string b = h.Encode();
  ASSERT_EQ(b.size(), 512u);
  EXPECT_EQ(HexBytes(b.substr(0, 0x20)),
            "00 00 00 00 00 02 34 12 00 00 78 56 00 00 6B 52 74 4C 00 00 "
            "01 02 03 04 07 00 00 00 03 00 00 00");
  EXPECT_EQ(Get32LE(b.data() + 0x20 + 8), 10u);
  EXPECT_EQ(Get32LE(b.data() + 0x110 + 8), 14u);

  Header back;
  ASSERT_TRUE(Header::Decode(b, &back).ok());
  EXPECT_EQ(back.last_id, 0x01020304u);
  EXPECT_EQ(back.area_end[2], 14u);
  EXPECT_EQ(back.Encode(), b);
}

TEST(HeaderTest, NewEmptyHeaderHasNoRootAndEndsAt512) {
  Header h = Header::NewEmpty();
  EXPECT_EQ(h.root, kNoRoot);
  EXPECT_EQ(h.EndOfData(), 512u);
  EXPECT_FALSE(h.journalPending());
  EXPECT_EQ(h.Encode().substr(0x0E, 4), "kRtL");
}

TEST(HeaderTest, ShortOrForeignBytesAreNotAKestrelFile) {
  std::string good = Header::NewEmpty().Encode();
  Header h;
  EXPECT_TRUE(Header::Decode(good.substr(0, 511), &h).isInvalidFile());
  std::string foreign = good;
  foreign[0x0E] = 'K';
  EXPECT_EQ(Header::Decode(foreign, &h).errorCode(), 36);
  EXPECT_TRUE(Header::Decode(std::string(), &h).isInvalidFile());
}

TEST(HeaderTest, IdCounterCarriesBigEndian) {
  Header h;
  h.last_id = 0x000000FF;
  uint32_t id = 0;
  ASSERT_TRUE(h.NextId(&id).ok());
  EXPECT_EQ(HexBytes(h.Encode().substr(0x14, 4)), "00 00 01 00");
  EXPECT_EQ(id, 0x100u);
}

TEST(HeaderTest, IdCounterStopsBeforeFileWideKeys) {
  struct Case { uint32_t before; bool ok; };
  for (Case c : {Case{0xFDFFFFFE, true}, Case{0xFDFFFFFF, false}, Case{0xFFFFFFFF, false}}) {
    Header h;
    h.last_id = c.before;
    uint32_t id = 0;
    Status s = h.NextId(&id);
    EXPECT_EQ(s.ok(), c.ok) << std::hex << c.before;
    if (!c.ok) {
      EXPECT_EQ(s.check(), Check::kIdCounterExhausted);
      EXPECT_EQ(h.last_id, c.before) << "counter must not move on failure";
    }
  }
}

TEST(HeaderTest, EndOfDataUsesHighestNonEmptyArea) {
  Header h;
  h.area_start[1] = 0;
  h.area_end[1] = 5;
  h.area_start[4] = 8;
  h.area_end[4] = 16;
  h.area_start[9] = 30;  // empty area above the last used one
  h.area_end[9] = 30;
  EXPECT_EQ(h.EndOfData(), 16u * 256 + 512);
  EXPECT_TRUE(h.CheckAreas().ok());
}

TEST(HeaderTest, SizeClassLookup) {
  Header h;
  h.area_start[1] = 0;
  h.area_end[1] = 3;
  h.area_start[4] = 4;
  h.area_end[4] = 12;
  int units = 0;
  ASSERT_TRUE(h.SizeClassOf(2, &units).ok());
  EXPECT_EQ(units, 1);
  ASSERT_TRUE(h.SizeClassOf(8, &units).ok());
  EXPECT_EQ(units, 4);
  for (uint32_t bad : {3u, 6u, 12u, kNoRoot}) {
    EXPECT_EQ(h.SizeClassOf(bad, &units).check(), Check::kPageOutsideAreas) << bad;
  }
}

TEST(HeaderTest, OverlappingAreasAreCorrupt) {
  Header h;
  h.area_start[2] = 0;
  h.area_end[2] = 8;
  h.area_start[3] = 6;
  h.area_end[3] = 9;
  EXPECT_EQ(h.CheckAreas().check(), Check::kAreaTable);
}

}  // namespace
}  // namespace kestrel
