// Field pairs over an in-memory record.
#include <gtest/gtest.h>

#include "framework/data/buffered_pairs.h"
#include "framework/data/field_pairs.h"
#include "runtime/core/file_decl_builder.h"

namespace fwtest {
namespace {

class FieldPairsTest : public ::testing::Test {
 protected:
  FieldPairsTest() {
    rt::FileDeclBuilder b("REC", "REC", "");
    b.Long("REC:A").String("REC:B", 6).Decimal("REC:C", 3, 2).Long("REC:D").String("REC:E", 6).Decimal("REC:F", 4, 2);
    record = std::make_unique<rt::FileControlBlock>(b.Build());
  }
  rt::FieldRef f(int n) { return rt::FieldRef{record.get(), n, 0}; }
  std::string v(int n) { return rt::getValueText(f(n)).value_or("?"); }
  void set(int n, const std::string& s) { ASSERT_TRUE(rt::setValueText(f(n), s)); }

  std::unique_ptr<rt::FileControlBlock> record;
};

TEST_F(FieldPairsTest, PairsAssignClearAndCompareAcrossTypes) {
  fw::FieldPairsClass p;
  p.Init();
  for (int i = 0; i < 3; ++i) p.AddPair(f(i), f(i + 3));
  set(0, "42");
  set(1, "abc");
  set(2, "7.5");
  EXPECT_FALSE(p.EqualLeftRight());
  p.AssignLeftToRight();
  EXPECT_EQ(v(3), "42");
  EXPECT_EQ(v(4), "abc");
  EXPECT_EQ(v(5), "7.50");
  EXPECT_TRUE(p.Equal());  // 7.50 in three bytes and in four are the same value
  p.ClearRight();
  EXPECT_EQ(v(3), "0");
  EXPECT_EQ(v(4), "");
  EXPECT_FALSE(p.EqualLeftRight());
  p.AssignRightToLeft();
  EXPECT_EQ(v(0), "0");

  // An item pairs a field with a copy of its value at the time.
  fw::FieldPairsClass items;
  set(1, "keep");
  items.AddItem(f(1));
  EXPECT_TRUE(items.EqualLeftRight());
  set(1, "other");
  EXPECT_FALSE(items.EqualLeftRight());
  items.AssignRightToLeft();
  EXPECT_EQ(v(1), "keep");
}

TEST_F(FieldPairsTest, BuffersStartClearAndCompareAsTextOrValue) {
  fw::BufferedPairsClass p;
  p.Init();
  set(4, "right");
  p.AddPair(f(1), f(4));
  EXPECT_EQ(v(4), "right");  // the right field keeps its value
  EXPECT_FALSE(p.EqualRightBuffer());
  set(1, "");
  EXPECT_TRUE(p.EqualLeftBuffer());

  set(1, "Abc");
  p.AssignLeftToBuffer();
  set(1, "ABC");
  EXPECT_TRUE(p.EqualLeftBuffer());
  EXPECT_TRUE(p.EqualLeftBuffer(false));
  EXPECT_FALSE(p.EqualLeftBuffer(true));
  p.AssignBufferToRight();
  EXPECT_EQ(v(4), "Abc");
  p.AssignRightToBuffer();
  p.AssignBufferToLeft();
  EXPECT_EQ(v(1), "Abc");
  p.Kill();
  EXPECT_EQ(p.size(), 0u);
  EXPECT_TRUE(p.Buffers.empty());
}

}  // namespace
}  // namespace fwtest
