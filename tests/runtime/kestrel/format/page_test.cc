#include "runtime/kestrel/format/page.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/compress.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/format/record_stream.h"

namespace kestrel {
namespace {

// Bytes that never repeat four times in a row, so only `run` can compress.
std::string Noise(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + i % 26));
  return s;
}

Page Leaf(std::string value) {
  Page p;
  p.records.push_back(Record("", ""));
  p.records.push_back(Record("K", value));
  return p;
}

TEST(PageTest, StoredCompressedOnlyWhenItSavesAUnit) {
  struct Case { size_t noise; size_t run; bool compressed; size_t units; };
  const Case cases[] = {
      // plain 13 + 5 + 6 + 240 + 40 = 304 (2 units); packed about 270: still 2 units
      {240, 40, false, 2},
      // plain 13 + 11 + 100 + 600 = 724 (3 units); packed fits in 1 unit
      {100, 600, true, 1},
      // nothing to compress at all
      {400, 0, false, 2},
  };
  for (const Case& c : cases) {
    Page page = Leaf(Noise(c.noise) + std::string(c.run, ' '));
    std::string image;
    PageHeader h;
    ASSERT_TRUE(EncodePage(page, 5, &image, &h).ok());
    EXPECT_EQ(h.compressed(), c.compressed) << c.noise << "/" << c.run;
    EXPECT_EQ(image.size(), c.units * 256);
    EXPECT_EQ(h.plain_size, 13 + 5 + 6 + c.noise + c.run);
    if (!c.compressed) {
      EXPECT_EQ(h.stored_size, h.plain_size);
    }
    EXPECT_EQ(h.own_position, 5u * 256 + 512);
    EXPECT_EQ(h.expanded_size, ExpandedSize(page));
    for (size_t i = h.stored_size; i < image.size(); ++i) ASSERT_EQ(image[i], kPadByte) << i;

    Page back;
    PageHeader hb;
    ASSERT_TRUE(DecodePage(image, &back, &hb, static_cast<int>(c.units)).ok());
    EXPECT_EQ(back.records, page.records);
  }
}

// The size class found without building the image is the built image's,
// for pages stored plain with and without runs and for compressed ones.
TEST(PageTest, ImageUnitsMatchTheBuiltImage) {
  std::mt19937 rng(3);
  // Few distinct bytes, among them typical flag and length bytes.
  const char alphabet[] = {'\x00', '\x01', '\x40', '\x80', '\xC0', 'a'};
  int compressed = 0, plain_with_run = 0;
  for (int round = 0; round < 3000; ++round) {
    Page page;
    page.level = rng() % 4 == 0 ? 1 : 0;
    const size_t count = rng() % 12;
    const bool long_values = rng() % 4 == 0;
    for (size_t i = 0; i < count; ++i) {
      std::string key;
      Append32BE(&key, static_cast<uint32_t>(i));
      std::string value(long_values ? rng() % 3000 : rng() % 6, '\0');
      for (char& c : value) c = alphabet[rng() % (rng() % 3 == 0 ? 6 : 2)];
      Record r(key.substr(rng() % 3), page.isIndex() ? "" : value, 7);
      if (!page.records.empty() && CompareKeys(r.key(), page.records.back().key()) <= 0) continue;
      page.records.push_back(std::move(r));
    }
    std::string image;
    PageHeader h;
    const Status built = EncodePage(page, 0, &image, &h);
    size_t units = 0;
    bool stored_plain = false;
    std::string small = "left over";
    const Status found = PageImageUnits(page, &units, &stored_plain, &small);
    ASSERT_EQ(found.check(), built.check()) << round;
    if (!built.ok()) continue;
    ASSERT_EQ(units * kUnitSize, image.size()) << round;
    ASSERT_EQ(stored_plain, !h.compressed()) << round;
    // A compressed image is always built; it is handed over when it is
    // much smaller than its records, and is then the image the encoder builds.
    ASSERT_EQ(!small.empty(), h.compressed() && 4 * image.size() <= h.plain_size) << round;
    if (!small.empty()) {
      ASSERT_EQ(small, image) << round;
    }
    // Asked to keep any image built, it hands over every compressed one.
    std::string any = "left over";
    ASSERT_TRUE(PageImageUnits(page, &units, &stored_plain, &any, true).ok()) << round;
    if (h.compressed() || !any.empty()) {
      ASSERT_EQ(any, image) << round;
    }
    compressed += h.compressed();
    std::string stream;
    ASSERT_TRUE(EncodeRecordStream(page.records, &stream).ok());
    plain_with_run += !h.compressed() && HasRun(stream);
  }
  // Both ways of finding the size were taken.
  EXPECT_GT(compressed, 100);
  EXPECT_GT(plain_with_run, 10);
  // Errors come out as the encoder's.
  Page big = Leaf(Noise(15000));
  big.records.push_back(Record("L", Noise(200)));
  size_t units = 0;
  bool stored_plain = false;
  EXPECT_EQ(PageImageUnits(big, &units, &stored_plain).check(), Check::kPageTooLarge);
}

// Rows mostly blank, as a grade book's are, compress far enough for their
// image to be handed over; text-like rows and short runs do not.
TEST(PageTest, ImageUnitsHandOverOnlyMuchSmallerImages) {
  struct Case {
    std::string value;
    bool kept;
  };
  const Case cases[] = {
      {"name" + std::string(4000, ' '), true},
      {Noise(3000), false},
      {Noise(1500) + std::string(1500, ' '), false},
  };
  for (const Case& c : cases) {
    Page page;
    for (uint32_t i = 0; i < 3; ++i) {
      std::string key;
      Append32BE(&key, i);
      page.records.push_back(Record(key, c.value));
    }
    std::string image;
    ASSERT_TRUE(EncodePage(page, 0, &image).ok());
    size_t units = 0;
    bool stored_plain = false;
    std::string small = "left over";
    ASSERT_TRUE(PageImageUnits(page, &units, &stored_plain, &small).ok());
    EXPECT_EQ(!small.empty(), c.kept) << c.value.size();
    if (c.kept) {
      EXPECT_EQ(small, image);
    }
  }
}

TEST(PageTest, IndexPageCarriesChildReferencesBeforeTheStream) {
  Page page;
  page.level = 2;
  page.records = {Record("", "", 7), Record("M", "", 0x01020304)};
  std::string image;
  PageHeader h;
  ASSERT_TRUE(EncodePage(page, 0, &image, &h).ok());
  EXPECT_EQ(h.level, 2);
  EXPECT_EQ(h.record_count, 2);
  EXPECT_EQ(HexBytes(image.substr(13, 8)), "07 00 00 00 04 03 02 01");
  EXPECT_EQ(h.expanded_size, 13 + (0 + 5 + 4) + (1 + 5 + 4));
  Page back;
  ASSERT_TRUE(DecodePage(image, &back).ok());
  EXPECT_EQ(back.records, page.records);
  EXPECT_EQ(back.level, 2);
}

TEST(PageTest, ImageBeyondFiftyNineUnitsIsRefused) {
  Page page;
  page.records.push_back(Record("", ""));
  for (int i = 0; i < 2; ++i) page.records.push_back(Record(std::string(1, 'a' + i), Noise(8000)));
  std::string image;
  EXPECT_EQ(EncodePage(page, 0, &image).check(), Check::kPageTooLarge);
}

TEST(PageTest, KeysMustIncreaseWithinAPage) {
  struct Case { std::vector<Record> records; Check check; };
  const Case cases[] = {
      {{Record("", ""), Record("A", "1"), Record("A", "2")}, Check::kDuplicateKey},
      {{Record("", ""), Record("B", ""), Record("A", "")}, Check::kTreeShape},
      {{Record("", ""), Record("AB", ""), Record("A", "")}, Check::kTreeShape},  // prefix is smaller
  };
  for (const Case& c : cases) {
    Page page;
    page.records = c.records;
    std::string image;
    EXPECT_EQ(EncodePage(page, 0, &image).check(), c.check);
    // The same records written without the check must not decode either.
    std::string stream;
    ASSERT_TRUE(EncodeRecordStream(page.records, &stream).ok());
    PageHeader h;
    h.record_count = static_cast<uint16_t>(page.records.size());
    h.stored_size = h.plain_size = static_cast<uint16_t>(13 + stream.size());
    image.assign(256, kPadByte);
    h.EncodeTo(image.data());
    image.replace(13, stream.size(), stream);
    Page back;
    EXPECT_EQ(DecodePage(image, &back).check(), c.check);
  }
}

TEST(PageTest, SizeClassMismatchAndTruncationAreCorrupt) {
  std::string image;
  ASSERT_TRUE(EncodePage(Leaf(Noise(300)), 0, &image).ok());  // 2 units
  Page back;
  EXPECT_EQ(DecodePage(image, &back, nullptr, 3).check(), Check::kPageHeader);
  EXPECT_EQ(DecodePage(image.substr(0, 200), &back).check(), Check::kShortPageRead);
  EXPECT_EQ(DecodePage(image.substr(0, 5), &back).check(), Check::kShortPageRead);
}

TEST(PageTest, GarbageNeverDecodesOutOfBounds) {
  Page index;
  index.level = 1;
  index.records = {Record("", "", 1), Record("K", "", 2)};
  std::vector<std::string> images(2);
  ASSERT_TRUE(EncodePage(Leaf(Noise(100) + std::string(600, ' ')), 0, &images[0]).ok());
  ASSERT_TRUE(EncodePage(index, 0, &images[1]).ok());
  std::mt19937 rng(3);
  int failures = 0;
  for (int round = 0; round < 5000; ++round) {
    std::string bad = images[round % 2];
    for (int e = 0; e < 3; ++e) bad[rng() % bad.size()] = static_cast<char>(rng());
    if (rng() % 4 == 0) bad.resize(rng() % bad.size());
    Page out;
    Status s = DecodePage(bad, &out);
    if (!s.ok()) {
      ++failures;
      EXPECT_TRUE(s.isCorruption());
    }
  }
  EXPECT_GT(failures, 1000);
}

}  // namespace
}  // namespace kestrel
