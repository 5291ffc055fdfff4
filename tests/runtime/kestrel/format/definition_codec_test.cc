#include "runtime/kestrel/format/definition_codec.h"

#include <gtest/gtest.h>

#include <functional>

#include "bytes.h"
#include "runtime/kestrel/format/coding.h"

namespace kestrel {
namespace {

using testing::Hex;

FieldDef Fld(FieldType type, uint16_t offset, std::string name, uint16_t size, uint16_t position) {
  FieldDef f;
  f.type = type;
  f.offset = offset;
  f.name = std::move(name);
  f.size = size;
  f.position = position;
  return f;
}

FieldDef Text(uint16_t offset, std::string name, uint16_t size, uint16_t position,
              std::optional<std::string> picture = std::nullopt) {
  FieldDef f = Fld(FieldType::kString, offset, std::move(name), size, position);
  f.chars = size;
  f.picture = std::move(picture);
  return f;
}

// A small grade-book-like table: a LONG, a text with picture, a decimal
// array, a group with a member, one memo, two keys.
TableDef SampleTable() {
  TableDef t;
  t.record_length = 4 + 20 + 12 + 6;
  FieldDef id = Fld(FieldType::kLong, 0, "QVL:NRO", 4, 0);
  FieldDef name = Text(4, "QVL:ALUMNO", 20, 1, "@s20");
  FieldDef grades = Fld(FieldType::kDecimal, 24, "QVL:NOTA", 12, 2);
  grades.elements = 3;
  grades.places = 2;
  grades.element_size = 4;
  FieldDef group = Fld(FieldType::kGroup, 36, "QVL:G", 6, 3);
  FieldDef member = Text(36, "", 6, 4);  // no picture: written as the missing string
  t.fields = {id, name, grades, group, member};
  t.memos = {MemoDef{"OBS", "QVL:OBS", 1000, 0}};
  t.keys = {KeyDef{"K1", "QVL:CLAVE_NRO", kKeyPrimary | kKeyExcludeBlank, {{0, 0}}},
            KeyDef{"K2", "QVL:CLAVE_ALFA", kKeyDuplicates | kKeyNoCase, {{1, 0}, {0, 1}}}};
  return t;
}

std::string Stream(const MemoryDefinitionBlocks& b) {
  std::string s;
  for (const auto& [n, bytes] : b.blocks) s += bytes;
  return s;
}

TEST(DefinitionCodecTest, WriteThenReadGivesTheDeclarationBack) {
  TableDef t = SampleTable();
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &t, &blocks).ok());
  EXPECT_EQ(t.version, 1);
  const std::string s = Stream(blocks);
  EXPECT_EQ(HexBytes(s.substr(0, 10)), "01 00 2A 00 05 00 01 00 02 00");
  // The LONG field: type, offset, name, elements, size, overlay, position.
  EXPECT_EQ(s.substr(10, 19), Hex("06 0000") + "QVL:NRO" + Hex("00 0100 0400 0000 0000"));

  TableDef back;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kRead, &back, &blocks).ok());
  EXPECT_EQ(back, t);
  EXPECT_FALSE(back.fields[4].picture.has_value());
  EXPECT_EQ(back.fields[4].name, "");
}

TEST(DefinitionCodecTest, EmptyAndMissingStringsDiffer) {
  TableDef t;
  t.fields = {Text(0, "", 1, 0, ""), Text(0, "", 1, 1),
              Text(0, std::string("\0x", 2), 1, 2)};  // only the text before a zero byte is kept
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &t, &blocks).ok());
  const std::string s = Stream(blocks);
  // Each field ends with its chars word and picture: 00 00 for "", 00 01 for none.
  const size_t per_field = 1 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 2;
  EXPECT_EQ(HexBytes(s.substr(10 + per_field - 2, 2)), "00 00");
  EXPECT_EQ(HexBytes(s.substr(10 + 2 * per_field - 2, 2)), "00 01");
  TableDef back;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kRead, &back, &blocks).ok());
  ASSERT_TRUE(back.fields[0].picture.has_value());
  EXPECT_EQ(*back.fields[0].picture, "");
  EXPECT_FALSE(back.fields[1].picture.has_value());
  EXPECT_EQ(back.fields[2].name, "");
  EXPECT_EQ(back.fields[2].picture, std::nullopt);
}

TEST(DefinitionCodecTest, LongStreamsSpanBlocksOf512) {
  TableDef t;
  for (int i = 0; i < 60; ++i) {
    const auto n = static_cast<uint16_t>(i);
    t.fields.push_back(Text(n, "QVX:FIELD_" + std::to_string(i), 1, n));
  }
  t.memos = {MemoDef{"B", "QVX:BLOB", 0, kMemoBlob}};
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &t, &blocks).ok());
  EXPECT_EQ(t.version, 2) << "a blob makes it version 2";
  ASSERT_GE(blocks.blocks.size(), 3u);
  EXPECT_EQ(blocks.blocks[0].size(), 512u);
  EXPECT_LE(blocks.blocks.rbegin()->second.size(), 512u);
  TableDef back;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kRead, &back, &blocks).ok());
  EXPECT_EQ(back, t);
  EXPECT_TRUE(WalkDefinition(DefinitionMode::kVerify, &t, &blocks).ok());
}

TEST(DefinitionCodecTest, VerifyNamesTheFirstDifferingItem) {
  struct Case { const char* item; std::function<void(TableDef&)> change; };
  const Case cases[] = {
      {"FIELDS", [](TableDef& t) { t.fields.pop_back(); }},
      {"MEMOS", [](TableDef& t) { t.memos.clear(); }},
      {"KEYS", [](TableDef& t) { t.keys.pop_back(); }},
      {"TYPE", [](TableDef& t) { t.fields[0].type = FieldType::kULong; }},
      {"DIM", [](TableDef& t) { t.fields[2].elements = 2; }},
      {"SIZE", [](TableDef& t) { t.fields[1].size = 21; }},
      {"OVER", [](TableDef& t) { t.fields[4].overlay = 1; }},
      {"SIZE", [](TableDef& t) { t.fields[2].places = 3; }},
      {"PLACES", [](TableDef& t) { t.fields[2].element_size = 5; }},
      {"SIZE", [](TableDef& t) { t.memos[0].size = 2000; }},
      {"BINARY", [](TableDef& t) { t.memos[0].attributes = kMemoBinary; }},
      {"ATTRIBUTE", [](TableDef& t) { t.keys[1].attributes &= ~kKeyNoCase; }},
      {"FIELDS", [](TableDef& t) { t.keys[1].components.pop_back(); }},
      {"FIELD", [](TableDef& t) { t.keys[0].components[0].field = 1; }},
      {"ASCENDING", [](TableDef& t) { t.keys[1].components[1].direction = 0; }},
  };
  TableDef stored = SampleTable();
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &stored, &blocks).ok());
  for (const Case& c : cases) {
    TableDef declared = SampleTable();
    c.change(declared);
    Status s = WalkDefinition(DefinitionMode::kVerify, &declared, &blocks);
    EXPECT_TRUE(s.isMismatch()) << c.item;
    EXPECT_EQ(s.errorCode(), 47);
    EXPECT_EQ(s.item(), c.item);
  }
}

TEST(DefinitionCodecTest, VerifyIgnoresWhatIsOnlyRead) {
  TableDef stored = SampleTable();
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &stored, &blocks).ok());
  TableDef declared = SampleTable();
  declared.record_length = 99;
  declared.fields[1].name = "OTHER";
  declared.fields[1].offset = 7;
  declared.fields[1].picture = "@n5";
  declared.memos[0].label = "X";
  declared.keys[0].attributes &= ~kKeyPrimary;  // the primary bit is not compared
  EXPECT_TRUE(WalkDefinition(DefinitionMode::kVerify, &declared, &blocks).ok());

  // Blob sizes may differ; with decimal checking off the decimal bytes may too.
  declared = SampleTable();
  declared.fields[2].places = 4;
  EXPECT_TRUE(WalkDefinition(DefinitionMode::kVerify, &declared, &blocks, {.decimal_check = false}).ok());
}

TEST(DefinitionCodecTest, NewerVersionIsRefusedWithItsMessage) {
  TableDef t = SampleTable();
  MemoryDefinitionBlocks blocks;
  ASSERT_TRUE(WalkDefinition(DefinitionMode::kWrite, &t, &blocks).ok());
  blocks.blocks[0][0] = 3;
  for (DefinitionMode mode : {DefinitionMode::kVerify, DefinitionMode::kRead}) {
    TableDef d = SampleTable();
    Status s = WalkDefinition(mode, &d, &blocks);
    EXPECT_EQ(s.errorCode(), 47);
    EXPECT_EQ(s.item(), kNewerFormatMessage);
  }
}

TEST(DefinitionCodecTest, MissingOrGarbledStreamsFailWithoutCrashing) {
  MemoryDefinitionBlocks none;
  TableDef d;
  EXPECT_EQ(WalkDefinition(DefinitionMode::kRead, &d, &none).check(), Check::kDefinitionStream);

  // A count that points far past the stored blocks reads zeros, then ends.
  MemoryDefinitionBlocks huge;
  huge.Store(0, Hex("01 00 10 00 FF FF 00 00 00 00"));
  EXPECT_TRUE(WalkDefinition(DefinitionMode::kRead, &d, &huge).ok());
  EXPECT_EQ(d.fields.size(), 0xFFFFu);

  MemoryDefinitionBlocks bad_marker;
  bad_marker.Store(0, Hex("01 00 10 00 01 00 00 00 00 00 12 0000 00 07"));
  EXPECT_EQ(WalkDefinition(DefinitionMode::kRead, &d, &bad_marker).check(), Check::kDefinitionStream);

  MemoryDefinitionBlocks many_keys;
  many_keys.Store(0, Hex("01 00 10 00 00 00 00 00 F1 00"));
  EXPECT_EQ(WalkDefinition(DefinitionMode::kRead, &d, &many_keys).check(), Check::kDefinitionStream);
}

}  // namespace
}  // namespace kestrel
