#include <gtest/gtest.h>

#include <random>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/image_reader.h"
#include "runtime/kestrel/format/image_writer.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/memo.h"
#include "runtime/kestrel/format/record_kinds.h"
#include "runtime/kestrel/format/table_writer.h"

namespace kestrel {
namespace {

std::string Key(int i) {
  std::string k;
  Append32BE(&k, static_cast<uint32_t>(i));
  return k;
}

std::string BuildNumbered(int n, const ImageLayout& layout, std::vector<Record>* expected) {
  ImageWriter w;
  expected->assign(1, Record());
  for (int i = 1; i <= n; ++i) {
    Record r(Key(i), std::string(50 + i % 70, static_cast<char>('a' + i % 26)));
    EXPECT_TRUE(w.Put(r).ok());
    expected->push_back(r);
  }
  std::string file;
  EXPECT_TRUE(w.Build(&file, layout).ok());
  return file;
}

TEST(ImageTest, MultiLevelTreeReadsBackInKeyOrder) {
  std::vector<Record> expected;
  ImageLayout small;
  small.max_records = 4;  // 201 records -> 51 leaves -> 13 -> 4 -> 1: three index levels
  const std::string file = BuildNumbered(200, small, &expected);
  ImageReader r;
  ASSERT_TRUE(r.Open(file).ok());
  EXPECT_EQ(r.header().EndOfData(), file.size());
  EXPECT_EQ(r.header().journal_start, file.size());
  EXPECT_GE(r.header().change_counter, 1u);
  std::vector<Record> back;
  ASSERT_TRUE(r.ReadAll(&back).ok());
  ASSERT_EQ(back.size(), expected.size());
  for (size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].bytes, expected[i].bytes);
    EXPECT_EQ(back[i].key_length, expected[i].key_length);
  }
  int pages = 0, max_depth = 0;
  ASSERT_TRUE(r.VisitPages([&](const ImageReader::PageInfo& info, const Page& p) {
    ++pages;
    max_depth = std::max(max_depth, info.depth);
    EXPECT_EQ(info.depth == 0, info.ref == r.header().root);
    EXPECT_LE(p.records.size(), 4u);
  }).ok());
  EXPECT_EQ(pages, 51 + 13 + 4 + 1);
  EXPECT_EQ(max_depth, 3);
}

TEST(ImageTest, PagesOfDifferentSizesLiveInTheirAreas) {
  std::vector<Record> expected;
  const std::string file = BuildNumbered(300, ImageLayout{}, &expected);
  ImageReader r;
  ASSERT_TRUE(r.Open(file).ok());
  ASSERT_TRUE(r.header().CheckAreas().ok());
  int areas_used = 0;
  for (int i = 1; i <= kMaxUnits; ++i) areas_used += r.header().area_start[i] != r.header().area_end[i];
  EXPECT_GE(areas_used, 2) << "full leaves and the small root differ in size";
  std::vector<Record> back;
  ASSERT_TRUE(r.ReadAll(&back).ok());
  EXPECT_EQ(back.size(), 301u);
}

TEST(ImageTest, EmptyFileHasNoPages) {
  ImageReader r;
  ASSERT_TRUE(r.Open("").ok());
  EXPECT_TRUE(r.empty());
  std::vector<Record> back;
  EXPECT_TRUE(r.ReadAll(&back).ok());
  EXPECT_TRUE(back.empty());
  EXPECT_TRUE(r.Open(std::string(100, 'x')).isInvalidFile());
}

TEST(ImageTest, DamagedFilesAreReportedNotCrashedOn) {
  std::vector<Record> expected;
  ImageLayout small;
  small.max_records = 5;
  const std::string file = BuildNumbered(60, small, &expected);

  ImageReader r;
  std::vector<Record> back;
  ASSERT_TRUE(r.Open(file.substr(0, file.size() - 256)).ok());
  EXPECT_EQ(r.ReadAll(&back).check(), Check::kShortPageRead);

  // A root that points at itself from below is caught as a tree fault.
  ASSERT_TRUE(r.Open(file).ok());
  Page root;
  ASSERT_TRUE(r.ReadPage(r.header().root, &root).ok());
  ASSERT_TRUE(root.isIndex());
  root.records.back().child = r.header().root;
  std::string image;
  ASSERT_TRUE(EncodePage(root, r.header().root, &image).ok());
  std::string looped = file;
  looped.replace(PagePosition(r.header().root), image.size(), image);
  ASSERT_TRUE(r.Open(looped).ok());
  EXPECT_EQ(r.ReadAll(&back).check(), Check::kTreeShape);

  std::mt19937 rng(5);
  int failures = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bad = file;
    for (int e = 0; e < 4; ++e) bad[rng() % bad.size()] = static_cast<char>(rng());
    Status s = r.Open(bad);
    if (s.ok()) s = r.ReadAll(&back);
    failures += !s.ok();
  }
  EXPECT_GT(failures, 100);
}

TEST(TableWriterTest, TableRecordsFollowTheirLayout) {
  TableDef def;
  def.record_length = 8;
  FieldDef id;
  id.type = FieldType::kLong;
  id.size = 4;
  FieldDef code = id;
  code.offset = 4;
  code.position = 1;
  def.fields = {id, code};
  def.memos = {MemoDef{"M", "T:MEMO", 1000, 0}};
  KeyDef unique;
  unique.attributes = kKeyExcludeBlank;
  unique.components = {{0, 0}};
  KeyDef dup;
  dup.attributes = kKeyDuplicates;
  dup.components = {{1, 0}};
  def.keys = {unique, dup};

  ImageWriter w;
  w.header().last_id = 0xFF;
  TableWriter t(&w, "GRADES", def);
  ASSERT_TRUE(t.Create().ok());
  EXPECT_EQ(t.table(), 0x100u) << "the table number comes from the id counter";
  auto row = [](int32_t a, int32_t b) {
    std::string r(8, '\0');
    Put32LE(r.data(), static_cast<uint32_t>(a));
    Put32LE(r.data() + 4, static_cast<uint32_t>(b));
    return r;
  };
  uint32_t id1 = 0;
  ASSERT_TRUE(t.AddRow(row(1, 9), {"abc" + std::string(997, ' ')}, &id1).ok());
  EXPECT_EQ(id1, 0x101u);
  ASSERT_TRUE(t.AddRow(row(0, 9)).ok());
  ASSERT_TRUE(t.AddRow(row(0, 9)).ok()) << "a blank unique key is excluded, not duplicated";
  EXPECT_EQ(t.AddRow(row(1, 5)).check(), Check::kDuplicateKey);

  std::string file;
  ASSERT_TRUE(w.Build(&file).ok());
  ImageReader r;
  ASSERT_TRUE(r.Open(file).ok());
  EXPECT_EQ(r.header().last_id, 0x103u) << "the refused row gives its id back";
  std::vector<Record> all;
  ASSERT_TRUE(r.ReadAll(&all).ok());
  std::map<RecordKind, int> kinds;
  MemoryDefinitionBlocks blocks;
  for (const Record& rec : all) {
    ParsedKey k = ParseKey(rec.key());
    ++kinds[k.kind];
    if (k.kind == RecordKind::kStatistics) {
      Statistics st;
      ASSERT_TRUE(Statistics::Decode(rec.value(), &st).ok());
      EXPECT_EQ(st.count, k.subject == kKindData ? 3u : k.subject == 0 ? 1u : 3u) << int(k.subject);
    }
    if (k.kind == RecordKind::kDefinition) blocks.Store(k.block, rec.value());
    if (k.kind == RecordKind::kMemo) {
      EXPECT_EQ(rec.value(), "abc");
    }
    if (k.kind == RecordKind::kName) {
      EXPECT_EQ(HexBytes(rec.value()), "00 00 01 00");
    }
  }
  EXPECT_EQ(kinds[RecordKind::kData], 3);
  EXPECT_EQ(kinds[RecordKind::kKeyEntry], 4);
  EXPECT_EQ(kinds[RecordKind::kMemo], 1);
  EXPECT_EQ(kinds[RecordKind::kLocale], 1);
  EXPECT_EQ(kinds[RecordKind::kStatistics], 3);
  TableDef back;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kRead, &back, &blocks).ok());
  EXPECT_EQ(back, t.def());
}

}  // namespace
}  // namespace kestrel
