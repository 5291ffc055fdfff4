#include "framework/data/constant_class.h"

#include <gtest/gtest.h>

#include "scripted_presenter.h"

namespace {

using fw::ConstantClass;
using fw::Level;

std::string le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string le32(int32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char((uint32_t(v) >> (8 * i)) & 0xFF);
  return s;
}
std::string cstr(const std::string& s) { return s + std::string(1, '\0'); }

struct Walk {
  std::vector<std::pair<std::string, int32_t>> rows;
  Level last;
};

Walk walk(ConstantClass& c, std::string& name, int32_t& value) {
  Walk w;
  while ((w.last = c.Next()) == Level::Benign) w.rows.emplace_back(name, value);
  return w;
}

TEST(ConstantClass, TerminationKindsDeliverTheRightRecords) {
  fwtest::ScriptedPresenter messages;
  const std::string body = cstr("uno") + le32(1) + cstr("dos") + le32(2) + cstr("fin") + le32(-1) + cstr("x") + le32(9);
  struct Case {
    uint8_t termination;
    std::string table;
    int32_t include;
    std::vector<std::string> expected;
  } cases[] = {
      {fw::Term_End, body, 0, {"uno", "dos", "fin", "x"}},
      {fw::Term_UShort, le16(2) + body, 0, {"uno", "dos"}},
      {fw::Term_Byte, std::string(1, '\3') + body, 0, {"uno", "dos", "fin"}},
      {fw::Term_FieldValue, body, 0, {"uno", "dos"}},
      {fw::Term_FieldValue, body, 1, {"uno", "dos", "fin"}},
  };
  for (const Case& k : cases) {
    std::string name;
    int32_t value = 0;
    ConstantClass c;
    c.Init(k.termination);
    c.AddItem(fw::Item_CString, &name);
    c.AddItem(fw::Item_Long, &value);
    c.TerminatorValue = std::string("fin");
    c.TerminatorInclude = k.include;
    c.Set(k.table);
    Walk w = walk(c, name, value);
    std::vector<std::string> got;
    for (auto& r : w.rows) got.push_back(r.first);
    EXPECT_EQ(got, k.expected) << "termination " << int(k.termination) << " include " << k.include;
    EXPECT_EQ(w.last, Level::Notify);
    EXPECT_EQ(c.Next(), Level::Notify);  // stays complete
    c.Reset();                           // and walks again from the start
    EXPECT_EQ(c.Next(), Level::Benign);
    EXPECT_EQ(name, "uno");
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST(ConstantClass, AllItemTypesDecodeLittleEndian) {
  std::string text;
  uint8_t b = 0;
  int16_t s = 0;
  uint16_t u = 0;
  int32_t l = 0;
  ConstantClass c;
  c.Init(fw::Term_End);
  c.AddItem(fw::Item_PString, &text);
  c.AddItem(fw::Item_Byte, &b);
  c.AddItem(fw::Item_Short, &s);
  c.AddItem(fw::Item_UShort, &u);
  c.AddItem(fw::Item_Long, &l);
  c.Set(std::string("\x03" "abc", 4) + "\xFE" + le16(uint16_t(-2)) + le16(65000) + le32(-70000));
  ASSERT_EQ(c.Next(), Level::Benign);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(b, 0xFE);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(u, 65000);
  EXPECT_EQ(l, -70000);
  EXPECT_EQ(c.Next(), Level::Notify);
}

TEST(ConstantClass, TruncatedTableAssertsOnceAndEnds) {
  fwtest::ScriptedPresenter messages;
  std::string name;
  int32_t value = 0;
  ConstantClass c;
  c.Init(fw::Term_UShort);
  c.AddItem(fw::Item_CString, &name);
  c.AddItem(fw::Item_Long, &value);
  c.Set(le16(5) + cstr("uno") + le32(1) + cstr("dos") + "\x01");  // announces 5, holds 1.5
  EXPECT_EQ(c.Next(), Level::Benign);
  EXPECT_EQ(c.Next(), Level::Notify);
  EXPECT_EQ(c.Next(), Level::Notify);
  EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
