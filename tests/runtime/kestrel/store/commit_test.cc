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

}  // namespace
}  // namespace kestrel::testing
