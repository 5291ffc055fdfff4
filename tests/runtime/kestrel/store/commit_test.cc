#include <gtest/gtest.h>

#include "store_fixture.h"

namespace kestrel::testing {
namespace {

using CommitTest = StoreTest;

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
                for (uint32_t k = 1000; k < 1300; k += 10) {
                  bool found = false;
                  Record shorter = Rec(k, 50);  // the leaf shrinks by a size class or more
                  model[Key(k)] = std::string(shorter.value());
                  KESTREL_RETURN_IF_FAILED(s->Update(shorter, &found));
                  if (!found) return Status::Corruption(Check::kTreeShape);
                }
                for (uint32_t k = 1301; k < 1600; k += 20) {
                  Record r = Rec(k, 1200);  // grows and splits leaves left behind
                  model[Key(k)] = std::string(r.value());
                  KESTREL_RETURN_IF_FAILED(s->Insert(std::move(r)));
                }
                return Outcome::OK();
              }).ok());
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
  s = Open();
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
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
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k : keys) {
                    bool found = false;
                    Record shorter = Rec(k, 100);
                    model[Key(k)] = std::string(shorter.value());
                    KESTREL_RETURN_IF_FAILED(s->Update(shorter, &found));
                    if (!found) return Status::Corruption(Check::kTreeShape);
                  }
                  return Outcome::OK();
                }).ok());
  }
  ExpectSound(*s);
  s = Open();
  ExpectSound(*s);
  EXPECT_TRUE(Same(ReadAll(*s), model));
}

}  // namespace
}  // namespace kestrel::testing
