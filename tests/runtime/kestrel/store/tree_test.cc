#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/os/status.h"
#include "store_fixture.h"

namespace kestrel::testing {
namespace {

using TreeTest = StoreTest;

TEST_F(TreeTest, EmptyFileThenFirstCommitWritesHeaderAndSentinel) {
  auto s = Open();
  EXPECT_TRUE(ReadAll(*s).empty());
  ASSERT_TRUE(Write(*s, [&] { return s->Insert(Rec(1, 50)); }).ok());
  s.reset();
  std::ifstream in(path_, std::ios::binary);
  std::string head(512, '\0');
  in.read(head.data(), 512);
  Header h;
  ASSERT_TRUE(Header::Decode(head, &h).ok());
  EXPECT_EQ(h.image_size, 512);
  EXPECT_GE(h.change_counter, 1u);
  EXPECT_NE(h.root, kNoRoot);
  EXPECT_EQ(h.journal_start, h.EndOfData());
  EXPECT_EQ(std::filesystem::file_size(path_), h.EndOfData());
  s = Open();
  ExpectSound(*s);  // includes: the first record is the low sentinel
  Contents all = ReadAll(*s);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all.begin()->first, Key(1));
}

TEST_F(TreeTest, NotAKestrelFileFailsWith36) {
  std::ofstream(path_) << std::string(600, 'x');
  std::unique_ptr<PageStore> s;
  PageStore::OpenOptions o;
  EXPECT_EQ(PageStore::Open(path_, o, &s).code(), rt::Error_InvalidDataFile);
  std::ofstream(path_, std::ios::trunc) << "kRtL";
  EXPECT_EQ(PageStore::Open(path_, o, &s).code(), rt::Error_InvalidDataFile);
  o.create = false;
  EXPECT_EQ(PageStore::Open(dir_ + "/none.krl", o, &s).code(), rt::Error_FileNotFound);
}

// Random inserts, updates and deletes of mixed sizes over many commits,
// checked against a model after each commit and after reopening.
TEST_F(TreeTest, RandomChangesMatchModelAcrossCommitsAndReopen) {
  std::mt19937 rng(42);
  Contents model;
  auto s = Open();
  for (int commit = 0; commit < 40; ++commit) {
    Outcome o = Write(*s, [&]() -> Outcome {
      for (int i = 0; i < 60; ++i) {
        uint32_t k = rng() % 1500;
        size_t len = (rng() % 8 == 0) ? 2000 + rng() % 9000 : 8 + rng() % 300;
        Record r = Rec(k, len, commit);
        bool found = false;
        if (rng() % 4 == 0) {
          KESTREL_RETURN_IF_FAILED(s->Remove(Key(k), &found));
          EXPECT_EQ(found, model.erase(Key(k)) > 0);
        } else if (model.count(Key(k))) {
          KESTREL_RETURN_IF_FAILED(s->Update(r, &found));
          EXPECT_TRUE(found);
          model[Key(k)] = std::string(r.value());
        } else {
          KESTREL_RETURN_IF_FAILED(s->Insert(r));
          model[Key(k)] = std::string(r.value());
        }
      }
      return Outcome::OK();
    });
    ASSERT_TRUE(o.ok()) << o.ToString();
    if (commit % 10 == 9) s = Open();
    ExpectSound(*s);
    ASSERT_TRUE(Same(ReadAll(*s), model)) << "after commit " << commit;
  }
  // Searches in every direction, from keys present and absent.
  s->BeginOperation();
  for (uint32_t k = 0; k < 1600; k += 7) {
    Cursor c;
    bool found = false;
    ASSERT_TRUE(s->Find(Key(k), &c, &found).ok());
    EXPECT_EQ(found, model.count(Key(k)) > 0);
    ASSERT_TRUE(s->FindAtLeast(Key(k), &c, &found).ok());
    auto ge = model.lower_bound(Key(k));
    ASSERT_EQ(found, ge != model.end());
    if (found) {
      EXPECT_EQ(c.key(), ge->first);
    }
    ASSERT_TRUE(s->FindAtMost(Key(k), &c, &found).ok());
    auto gt = model.upper_bound(Key(k));
    ASSERT_EQ(found, gt != model.begin());
    if (found) {
      EXPECT_EQ(c.key(), std::prev(gt)->first);
      ASSERT_TRUE(s->Previous(&c, &found).ok());
      auto prev = std::prev(gt);
      ASSERT_EQ(found, prev != model.begin());
      if (found) {
        EXPECT_EQ(c.key(), std::prev(prev)->first);
      }
    }
  }
  s->EndOperation();
}

// A leaf splits above 4096 expanded bytes when it holds more than 20
// records, and above 15094 bytes always. The root leaf also holds the
// 5-byte low sentinel.
TEST_F(TreeTest, SplitThresholds) {
  struct Case {
    int records;
    size_t length;
    uint64_t pages;  // after one commit
  };
  const Case cases[] = {
      {21, 150, 1},   // 13 + 5 + 21 * 155 = 3273
      {20, 200, 3},   // 13 + 5 + 20 * 205 = 4118, 21 records: split
      {19, 200, 1},   // 3913
      {15, 1000, 1},  // 13 + 5 + 15 * 1005 = 15093: few records, not above 15094
      {16, 1000, 3},  // 16098
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.records << " x " << c.length);
    std::filesystem::remove(path_);
    auto s = Open();
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (int i = 0; i < c.records; ++i) KESTREL_RETURN_IF_FAILED(s->Insert(Rec(i + 1, c.length)));
                  return Outcome::OK();
                }).ok());
    std::string detail;
    s->BeginOperation();
    ASSERT_TRUE(s->CheckIntegrity(&detail).ok()) << detail;
    s->EndOperation();
    EXPECT_EQ(detail, std::to_string(c.pages) + " pages, " + std::to_string(c.records) + " records");
  }
}

TEST_F(TreeTest, DeletingEveryRecordRemovesEmptyPagesButNeverTheSentinel) {
  auto s = Open();
  ASSERT_TRUE(InsertRecords(*s, 1, 401, 700).ok());
  uint64_t full = std::filesystem::file_size(path_);
  // A block in the middle spans whole leaves: their pages and entries go.
  Contents model = ReadAll(*s);
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 100; k < 250; ++k) {
                  bool found = false;
                  KESTREL_RETURN_IF_FAILED(s->Remove(Key(k), &found));
                  model.erase(Key(k));
                }
                return Outcome::OK();
              }).ok());
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                bool found = true;
                KESTREL_RETURN_IF_FAILED(s->Remove("", &found));
                EXPECT_FALSE(found);  // the sentinel is not a record to remove
                for (const auto& [k, v] : model) KESTREL_RETURN_IF_FAILED(s->Remove(k, &found));
                return Outcome::OK();
              }).ok());
  std::string detail;
  s->BeginOperation();
  ASSERT_TRUE(s->CheckIntegrity(&detail).ok()) << detail;
  s->EndOperation();
  EXPECT_EQ(detail, "2 pages, 0 records");  // the root and the sentinel's leaf
  ASSERT_TRUE(s->Close().ok());
  EXPECT_LT(std::filesystem::file_size(path_), full / 20);
  s = Open();
  EXPECT_TRUE(ReadAll(*s).empty());
  ASSERT_TRUE(Write(*s, [&] { return s->Insert(Rec(5, 10)); }).ok());
  EXPECT_EQ(ReadAll(*s).size(), 1u);
}

// A leaf shrinks from 8 units to 3, then grows to 4: each time it leaves its
// area for the area of its new size and its parent's entry follows it.
TEST_F(TreeTest, PagesMoveBetweenSizeAreas) {
  auto s = Open();
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 1; k <= 40; ++k) KESTREL_RETURN_IF_FAILED(s->Insert(Rec(k * 10, 100)));
                return Outcome::OK();
              }).ok());
  ExpectSound(*s);
  Header before = s->header();
  EXPECT_EQ(AreaPages(before, 3), 0u);
  // Leave 6 records in the right-hand leaf.
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                bool found;
                for (uint32_t k = 26; k <= 40; ++k) KESTREL_RETURN_IF_FAILED(s->Remove(Key(k * 10), &found));
                return Outcome::OK();
              }).ok());
  ExpectSound(*s);
  Header small = s->header();
  ASSERT_EQ(AreaPages(small, 3), 1u);
  ASSERT_EQ(AreaPages(small, 4), 0u);
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                KESTREL_RETURN_IF_FAILED(s->Insert(Rec(401, 100)));
                return s->Insert(Rec(402, 100));
              }).ok());
  Header grown = s->header();
  EXPECT_EQ(AreaPages(grown, 3), 0u);
  EXPECT_EQ(AreaPages(grown, 4), 1u);
  s = Open();
  ExpectSound(*s);
  Contents all = ReadAll(*s);
  EXPECT_EQ(all.size(), 27u);
  EXPECT_TRUE(all[Key(402)] == Rec(402, 100).value());
}

TEST_F(TreeTest, CursorsSurviveSplitsFreesAndEvictions) {
  auto s = Open();
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 0; k < 3000; k += 2) KESTREL_RETURN_IF_FAILED(s->Insert(Rec(k, 300)));
                return Outcome::OK();
              }).ok());
  Cursor a, b;
  bool found = false;
  s->BeginOperation();
  ASSERT_TRUE(s->Find(Key(1000), &a, &found).ok() && found);
  ASSERT_TRUE(s->Find(Key(2000), &b, &found).ok() && found);
  s->EndOperation();
  // Splits around a, b's record deleted with its neighbours, then a full
  // scan that pushes every page out of the cache.
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 1001; k < 1100; k += 2) KESTREL_RETURN_IF_FAILED(s->Insert(Rec(k, 300)));
                for (uint32_t k = 1950; k < 2100; k += 2) KESTREL_RETURN_IF_FAILED(s->Remove(Key(k), &found));
                return Outcome::OK();
              }).ok());
  ReadAll(*s);
  s->BeginOperation();
  ASSERT_TRUE(s->Next(&a, &found).ok() && found);
  EXPECT_EQ(a.key(), Key(1001));
  ASSERT_TRUE(s->Next(&b, &found).ok() && found);
  EXPECT_EQ(b.key(), Key(2100));
  ASSERT_TRUE(s->Previous(&b, &found).ok() && found);
  EXPECT_EQ(b.key(), Key(1948));
  s->EndOperation();
}

// The same with every page fresh from the file, so the pages changed are
// ones whose records were still as decoded: an update in place, a split,
// a first record removed (the parent's entry changes), then eviction by a
// full scan and a reopen.
TEST_F(TreeTest, CursorsSurviveChangesToPagesJustRead) {
  Contents model;
  auto s = Open();
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 0; k < 3000; k += 2) {
                  Record r = Rec(k, 200);
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->Insert(r));
                }
                return Outcome::OK();
              }).ok());
  s = Open();
  Cursor a, b;
  bool found = false;
  s->BeginOperation();
  ASSERT_TRUE(s->Find(Key(1000), &a, &found).ok() && found);
  ASSERT_TRUE(s->FindAtLeast(Key(1999), &b, &found).ok() && found);
  ASSERT_EQ(b.key(), Key(2000));
  s->EndOperation();
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                Record changed = Rec(1000, 700, 1);
                KESTREL_RETURN_IF_FAILED(s->Update(changed, &found));
                EXPECT_TRUE(found);
                model[Key(1000)] = std::string(changed.value());
                for (uint32_t k = 1001; k < 1060; k += 2) {
                  Record r = Rec(k, 200);
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->Insert(r));
                }
                // From the first record of b's leaf on, so its parent entry changes.
                for (uint32_t k = 1960; k <= 2000; k += 2) {
                  KESTREL_RETURN_IF_FAILED(s->Remove(Key(k), &found));
                  model.erase(Key(k));
                }
                return Outcome::OK();
              }).ok());
  s->BeginOperation();
  ASSERT_TRUE(s->Next(&a, &found).ok() && found);
  EXPECT_EQ(a.key(), Key(1001));
  ASSERT_TRUE(s->Previous(&b, &found).ok() && found);
  EXPECT_EQ(b.key(), Key(1958));
  ASSERT_TRUE(s->Find(Key(1000), &a, &found).ok() && found);
  EXPECT_EQ(a.value(), model[Key(1000)]);
  s->EndOperation();
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
  s = Open();
  EXPECT_TRUE(Same(ReadAll(*s), model));
}

TEST_F(TreeTest, InsertCursorAppendsAscendingKeysBetweenOthers) {
  auto s = Open();
  Contents model;
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                // Records below and above the ascending run, like other tables.
                for (uint32_t k : {5u, 7u, 0x7FFFFFFFu, 0xF0000000u}) {
                  KESTREL_RETURN_IF_FAILED(s->Insert(Rec(k, 40)));
                  model[Key(k)] = std::string(Rec(k, 40).value());
                }
                for (uint32_t k = 1000; k < 6000; ++k) {
                  Record r = Rec(k, 120);
                  KESTREL_RETURN_IF_FAILED(s->InsertAppend(r));
                  model[Key(k)] = std::string(r.value());
                }
                // Out of order for the cursor: must still land in place.
                KESTREL_RETURN_IF_FAILED(s->InsertAppend(Rec(6, 40)));
                model[Key(6)] = std::string(Rec(6, 40).value());
                return Outcome::OK();
              }).ok());
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
}

TEST_F(TreeTest, IdCounterPersistsAndStopsBeforeFE) {
  auto s = Open();
  uint32_t id = 0;
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                KESTREL_RETURN_IF_FAILED(s->NextId(&id));
                return s->NextId(&id);
              }).ok());
  EXPECT_EQ(id, 2u);
  s = Open();
  ASSERT_TRUE(Write(*s, [&] { return s->NextId(&id); }).ok());
  EXPECT_EQ(id, 3u);
  s.reset();
  // Patch the counter on disk to FD FF FF FF: the next id would start with FE.
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0x14);
    f.write("\xFD\xFF\xFF\xFF", 4);
  }
  s = Open();
  s->BeginOperation();
  s->BeginWriteCycle();
  Outcome o = s->NextId(&id);
  EXPECT_TRUE(o.isCorruption());
  EXPECT_EQ(o.code(), rt::Error_FileSystemError);
  EXPECT_TRUE(s->failed());
  s->Discard();
  s->EndOperation();
}

TEST_F(TreeTest, MisuseAndDamageAreTypedFailures) {
  auto s = Open();
  // Outside a write cycle.
  s->BeginOperation();
  EXPECT_TRUE(s->Insert(Rec(1, 10)).isCorruption());
  s->EndOperation();
  s = Open();
  Outcome dup = Write(*s, [&]() -> Outcome {
    KESTREL_RETURN_IF_FAILED(s->Insert(Rec(1, 10)));
    return s->Insert(Rec(1, 20));
  });
  EXPECT_EQ(dup.checkNumber(), static_cast<int>(Check::kDuplicateKey));
  s = Open();
  ASSERT_TRUE(InsertRecords(*s, 0, 200, 500).ok());
  s.reset();
  // Scribble over the middle of the page space.
  uint64_t size = std::filesystem::file_size(path_);
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(size / 2));
    f.write(std::string(3000, '\x7F').data(), 3000);
  }
  s = Open();
  s->BeginOperation();
  Cursor c;
  bool found = true;
  Outcome o = s->FindAtLeast("", &c, &found);
  while (o.ok() && found) o = s->Next(&c, &found);
  EXPECT_TRUE(o.isCorruption()) << o.ToString();
  std::string detail;
  EXPECT_TRUE(s->CheckIntegrity(&detail).isCorruption());
  s->EndOperation();
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST_F(TreeTest, OwnerPasswordScramblesPagesAndHeader) {
  auto open = [&](const std::string& password) {
    std::unique_ptr<PageStore> s;
    PageStore::OpenOptions o;
    o.create = true;
    o.owner_password = password;
    Outcome r = PageStore::Open(path_, o, &s);
    return std::make_pair(r, std::move(s));
  };
  const std::string secret(300, 'Q');
  {
    auto [r, s] = open("Tiza");
    ASSERT_TRUE(r.ok());
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k = 0; k < 200; ++k) KESTREL_RETURN_IF_FAILED(s->Insert(Record(Key(k), secret)));
                  return Outcome::OK();
                }).ok());
  }
  std::ifstream in(path_, std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(raw.find("kRtL"), std::string::npos);
  EXPECT_EQ(raw.find(std::string(64, 'Q')), std::string::npos);
  EXPECT_EQ(open("").first.code(), rt::Error_InvalidDataFile);
  EXPECT_EQ(open("Other").first.code(), rt::Error_InvalidDataFile);
  auto [r, s] = open("Tiza");
  ASSERT_TRUE(r.ok());
  ExpectSound(*s);
  Contents all = ReadAll(*s);
  ASSERT_EQ(all.size(), 200u);
  EXPECT_TRUE(all[Key(7)] == secret);
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// Empty areas may sit anywhere in a file; pages placed later must still
// never overlap the areas below.
TEST_F(TreeTest, EmptyAreasAnywhereOnDiskAreHandled) {
  {
    auto s = Open();
    ASSERT_TRUE(InsertRecords(*s, 0, 60, 900).ok());
  }
  Header h;
  {
    std::ifstream in(path_, std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), 512);
    ASSERT_TRUE(Header::Decode(head, &h).ok());
  }
  std::vector<int> empty;
  for (int i = 1; i <= kMaxUnits; ++i) {
    if (AreaPages(h, i) == 0) empty.push_back(i);
  }
  ASSERT_GT(empty.size(), 10u);
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    for (size_t n = 0; n < empty.size(); n += 3) {  // at 0 and far away
      const int i = empty[n];
      std::string v;
      Append32LE(&v, n % 2 ? 0 : 5000 + i);
      f.seekp(0x20 + 4 * i);
      f.write(v.data(), 4);
      f.seekp(0x110 + 4 * i);
      f.write(v.data(), 4);
    }
  }
  auto s = Open();
  Contents model = ReadAll(*s);
  std::mt19937 rng(5);
  for (int round = 0; round < 5; ++round) {
    Outcome o = Write(*s, [&]() -> Outcome {
                  for (int i = 0; i < 30; ++i) {
                    uint32_t k = 100 + rng() % 500;
                    if (model.count(Key(k))) continue;
                    Record r = Rec(k, 20 + rng() % 3000);
                    model[Key(k)] = std::string(r.value());
                    KESTREL_RETURN_IF_FAILED(s->Insert(r));
                  }
                  return Outcome::OK();
                });
    ASSERT_TRUE(o.ok()) << round << ": " << o.ToString();
    ExpectSound(*s);
  }
  s = Open();
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
}

}  // namespace
}  // namespace kestrel::testing
