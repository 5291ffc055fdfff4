#include "runtime/kestrel/format/memo.h"

#include <gtest/gtest.h>

#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

TEST(MemoTest, TrailingSpacesAreNotStoredAndComeBackAsPadding) {
  std::string memo = "abc" + std::string(997, ' ');
  std::vector<std::string> segs = SplitMemo(memo, false);
  ASSERT_EQ(segs.size(), 1u);
  EXPECT_EQ(segs[0], "abc");
  std::string back;
  ASSERT_TRUE(JoinMemo(segs, false, 1000, &back).ok());
  EXPECT_EQ(back, memo);
  EXPECT_TRUE(SplitMemo(std::string(50, ' '), false).empty());
}

TEST(MemoTest, MemoSegmentsHoldAtMost256Bytes) {
  std::string memo;
  for (int i = 0; i < 600; ++i) memo.push_back(static_cast<char>('a' + i % 26));
  std::vector<std::string> segs = SplitMemo(memo, false);
  ASSERT_EQ(segs.size(), 3u);
  EXPECT_EQ(segs[0].size(), 256u);
  EXPECT_EQ(segs[2].size(), 88u);
  std::string back;
  ASSERT_TRUE(JoinMemo(segs, false, 1000, &back).ok());
  EXPECT_EQ(back.substr(0, 600), memo);
}

TEST(MemoTest, BlobSegmentsCarryTheLengthFirst) {
  struct Case { size_t size; std::vector<size_t> segments; };
  const Case cases[] = {{10240, {10244}}, {10241, {10244, 1}}, {3, {7}}, {0, {}}};
  for (const Case& c : cases) {
    std::string blob(c.size, '\0');
    for (size_t i = 0; i < c.size; ++i) blob[i] = static_cast<char>(i * 7);
    std::vector<std::string> segs = SplitMemo(blob, true);
    ASSERT_EQ(segs.size(), c.segments.size()) << c.size;
    for (size_t i = 0; i < segs.size(); ++i) EXPECT_EQ(segs[i].size(), c.segments[i]);
    if (!segs.empty()) {
      EXPECT_EQ(Get32LE(segs[0].data()), c.size);
    }
    std::string back;
    ASSERT_TRUE(JoinMemo(segs, true, 0, &back).ok());
    EXPECT_EQ(back, blob);
  }
}

TEST(MemoTest, InconsistentSegmentsAreCorrupt) {
  std::string out;
  EXPECT_EQ(JoinMemo({std::string(300, 'a')}, false, 1000, &out).check(), Check::kMemoSegments);
  EXPECT_EQ(JoinMemo({std::string(20, 'a')}, false, 10, &out).check(), Check::kMemoSegments);
  std::string head(4, '\0');
  Put32LE(head.data(), 5);
  EXPECT_EQ(JoinMemo({head + "abc"}, true, 0, &out).check(), Check::kMemoSegments);  // short
  EXPECT_EQ(JoinMemo({head + "abc", "xyz"}, true, 0, &out).check(), Check::kMemoSegments);  // long
  EXPECT_EQ(JoinMemo({"ab"}, true, 0, &out).check(), Check::kMemoSegments);  // no length
}

}  // namespace
}  // namespace kestrel
