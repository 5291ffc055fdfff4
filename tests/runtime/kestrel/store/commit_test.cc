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

}  // namespace
}  // namespace kestrel::testing
