#include <gtest/gtest.h>

#include "store_fixture.h"

namespace kestrel::testing {
namespace {

class CommitTest : public StoreTest {
 protected:
  // Gives each key a value of `length` bytes.
  static Outcome Resize(PageStore& s, const std::vector<uint32_t>& keys, size_t length, Contents* model) {
    for (uint32_t k : keys) {
      bool found = false;
      Record r = Rec(k, length);
      (*model)[Key(k)] = std::string(r.value());
      KESTREL_RETURN_IF_FAILED(s.Update(r, &found));
      if (!found) return Status::Corruption(Check::kTreeShape);
    }
    return Outcome::OK();
  }

  // The file is sound and holds `model`, also when opened again.
  void ExpectHeld(std::unique_ptr<PageStore>& s, const Contents& model) {
    ExpectSound(*s);
    EXPECT_TRUE(Same(ReadAll(*s), model));
    s = Open();
    ExpectSound(*s);
    EXPECT_TRUE(Same(ReadAll(*s), model));
  }
};

// The insert cursor measures the leaves it leaves behind for the commit.
// Leaves changed again in the same write cycle (grown, shrunk, split) must
// be placed by their new size, and the file read back as written.
TEST_F(CommitTest, LeavesChangedAfterTheInsertCursorLeftThemKeepTheirNewSize) {
  auto s = Open();
  Contents model;
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 1000; k < 1600; k += 10) {
                  Record r = Rec(k, 2500 + k % 7 * 100);
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->InsertAppend(std::move(r)));
                }
                std::vector<uint32_t> shrunk;
                for (uint32_t k = 1000; k < 1300; k += 10) shrunk.push_back(k);
                // The leaves shrink by a size class or more.
                KESTREL_RETURN_IF_FAILED(Resize(*s, shrunk, 50, &model));
                for (uint32_t k = 1301; k < 1600; k += 20) {
                  Record r = Rec(k, 1200);  // grows and splits leaves left behind
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->Insert(std::move(r)));
                }
                return Outcome::OK();
              }).ok());
  ExpectHeld(s, model);
}

// Pages placed one after another in one commit, under different parents:
// each must get its own parent's entry changed.
TEST_F(CommitTest, PagesUnderDifferentParentsArePlacedInOneCommit) {
  auto s = Open();
  Contents model;
  // Two or three big records a leaf: several hundred leaves need more than
  // one index page above them.
  ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                for (uint32_t k = 0; k < 800; ++k) {
                  Record r = Rec(k, 5000);
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->InsertAppend(std::move(r)));
                }
                return Outcome::OK();
              }).ok());
  // Left to right and back: each leaf shrinks to another size class.
  for (const std::vector<uint32_t>& keys : {std::vector<uint32_t>{10, 400, 790}, {795, 405, 15}}) {
    ASSERT_TRUE(Write(*s, [&] { return Resize(*s, keys, 100, &model); }).ok());
  }
  ExpectHeld(s, model);
}

// Leaves of mostly blank rows are written from the images built while they
// were measured: each must land at its own place, scrambled like any other,
// also when the leaf changed after an early measurement or is rewritten
// through the journal by a later commit.
TEST_F(CommitTest, CompressedLeavesAreWrittenAtTheirPlaces) {
  for (const std::string password : {"", "owner"}) {
    SCOPED_TRACE(password);
    std::filesystem::remove(path_);
    auto open = [&] {
      std::unique_ptr<PageStore> s;
      PageStore::OpenOptions o;
      o.create = true;
      o.owner_password = password;
      EXPECT_TRUE(PageStore::Open(path_, o, &s).ok());
      return s;
    };
    auto row = [](uint32_t k, size_t blanks) { return Record(Key(k), "row " + std::to_string(k) + std::string(blanks, ' ')); };
    auto put = [&](PageStore& s, Contents* model, uint32_t k, size_t blanks) {
      Record r = row(k, blanks);
      const bool stored = model->count(Key(k)) > 0;
      (*model)[Key(k)] = std::string(r.value());
      bool found = false;
      return stored ? s.Update(r, &found) : s.InsertAppend(std::move(r));
    };
    auto s = open();
    Contents model;
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k = 0; k < 400; ++k) KESTREL_RETURN_IF_FAILED(put(*s, &model, k, 4000));
                  // Leaves the insert cursor measured already change again.
                  for (uint32_t k = 0; k < 100; k += 7) KESTREL_RETURN_IF_FAILED(put(*s, &model, k, 9000));
                  return Outcome::OK();
                }).ok());
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k = 5; k < 400; k += 50) KESTREL_RETURN_IF_FAILED(put(*s, &model, k, 100));
                  return Outcome::OK();
                }).ok());
    for (int pass = 0; pass < 2; ++pass) {
      ExpectSound(*s);
      EXPECT_TRUE(Same(ReadAll(*s), model));
      s = open();
    }
  }
}

// Pages already in the file are written from the images built while they
// were measured. Those images must carry the page's own place (also when
// the page moves to another size class), be scrambled under an owner
// password, and not be used once the records changed after measuring: index
// pages change again when the children they lead to are placed.
TEST_F(CommitTest, JournaledPagesAreWrittenFromTheirMeasuredImages) {
  struct Case {
    std::string password;
    bool blank;  // rows that compress far, or rows that do not compress
  };
  for (const Case& c : {Case{"", false}, Case{"", true}, Case{"owner", false}, Case{"owner", true}}) {
    SCOPED_TRACE(c.password + (c.blank ? " blank" : " noise"));
    std::filesystem::remove(path_);
    auto open = [&] {
      std::unique_ptr<PageStore> s;
      PageStore::OpenOptions o;
      o.create = true;
      o.owner_password = c.password;
      EXPECT_TRUE(PageStore::Open(path_, o, &s).ok());
      return s;
    };
    auto row = [&](uint32_t k, size_t length, uint32_t salt) {
      return c.blank ? Record(Key(k), std::to_string(k + salt) + std::string(length, ' ')) : Rec(k, length, salt);
    };
    auto s = open();
    Contents model;
    // Short rows: thousands of leaves under more than one level of index pages.
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k = 0; k < 6000; ++k) {
                    Record r = row(k, 60, 0);
                    model[Key(k)] = std::string(r.value());
                    KESTREL_RETURN_IF_FAILED(s->InsertAppend(std::move(r)));
                  }
                  return Outcome::OK();
                }).ok());
    // Small commits all over the file: rows grow (leaves move to larger
    // size classes and split), shrink and go.
    for (uint32_t round = 1; round <= 4; ++round) {
      ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                    for (uint32_t k = round; k < 6000; k += 97 * round) {
                      const size_t length = round % 2 ? 400 : 5;
                      Record r = row(k, length, round);
                      const bool stored = model.count(Key(k)) > 0;
                      model[Key(k)] = std::string(r.value());
                      bool found = false;
                      KESTREL_RETURN_IF_FAILED(stored ? s->Update(r, &found) : s->Insert(std::move(r)));
                      const uint32_t gone = (k + 31) % 6000;
                      if (model.erase(Key(gone))) KESTREL_RETURN_IF_FAILED(s->Remove(Key(gone), &found));
                    }
                    return Outcome::OK();
                  }).ok())
          << round;
      ExpectSound(*s);
      ASSERT_TRUE(Same(ReadAll(*s), model)) << round;
    }
    s.reset();
    s = open();
    ExpectSound(*s);
    EXPECT_TRUE(Same(ReadAll(*s), model));
  }
}

// What a commit costs in writes and flushes, for one record changed in
// place. In a file of many pages: the journal (page and header image in one
// write), the bounds at 0, the page home, the bounds cleared, each followed
// by a flush; the header is not written at 0 a third time. In a file of one
// page: the page to a place the committed state does not use, and the
// header at 0 as the commit point, each followed by a flush; the page takes
// turns between two places. Nothing written past the last flush, nothing
// flushed twice.
TEST_F(CommitTest, OneRecordChangedInPlaceCostsTheProtocolsFlushesAndNoMore) {
  const struct {
    const char* name;
    uint32_t records;
    int64_t flushes, operations;
  } cases[] = {{"file of many pages", 200, 4, 8}, {"file of one page", 20, 2, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(path_);
    auto s = Open();
    ASSERT_TRUE(InsertRecords(*s, 0, c.records, 100).ok());
    for (int round = 0; round < 3; ++round) {
      fault::Arm({});
      bool found = false;
      ASSERT_TRUE(Write(*s, [&] { return s->Update(Rec(7, 100, 9 + round), &found); }).ok());
      ASSERT_TRUE(found);
      EXPECT_EQ(fault::FlushesSeen(), c.flushes);
      EXPECT_EQ(fault::OperationsSeen(), c.operations);
      fault::Disarm();
    }
    Contents model = ReadAll(*s);
    EXPECT_EQ(model[Key(7)], std::string(Rec(7, 100, 11).value()));
    s = Open();
    EXPECT_TRUE(Same(ReadAll(*s), model));
    ExpectSound(*s);
  }
}

}  // namespace
}  // namespace kestrel::testing
