// Records: add, get, put, delete, memos, duplicates, counts, texts.
#include "contract_fixture.h"

namespace contract {
namespace {

TEST_P(Contract, AddGetPutDeleteKeepRecordsAndMemos) {
  auto f = Students();
  AddRow(*f, 1, "Ana", "A1", "9.5", "first note");
  AddRow(*f, 2, "Bob", "B2", "7");
  AddRow(*f, 3, "carl", "", "4.25");
  EXPECT_EQ(rt::Records(*f), 3);

  SetRow(*f, 2, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(Name(*f), "Bob");
  EXPECT_EQ(Grade(*f), "7.00");
  SetRow(*f, 0, "");
  rt::setText(*f, 2, "A1");
  ASSERT_EQ(rt::Get(*f, kCode), 0);
  EXPECT_EQ(Id(*f), 1);
  EXPECT_EQ(rt::getMemo(*f, 0).value_or(""), "first note");
  const uint32_t ana = rt::Pointer(*f);
  EXPECT_NE(ana, 0u);

  // Put: the new name and memo, found through the changed key only.
  rt::setText(*f, 1, "Anabel");
  rt::setMemo(*f, 0, "second note");
  ASSERT_EQ(rt::Put(*f), 0);
  SetRow(*f, 0, "ANABEL");
  ASSERT_EQ(rt::Get(*f, kName), 0);
  EXPECT_EQ(Id(*f), 1);
  EXPECT_EQ(rt::getMemo(*f, 0).value_or(""), "second note");
  SetRow(*f, 0, "Ana");
  EXPECT_EQ(rt::Get(*f, kName), rt::Error_RecordNotFound);
  ASSERT_EQ(rt::GetById(*f, ana), 0);
  EXPECT_EQ(Name(*f), "Anabel");

  ASSERT_EQ(rt::Delete(*f), 0);
  EXPECT_EQ(rt::Records(*f), 2);
  EXPECT_EQ(rt::GetById(*f, ana), rt::Error_RecordNotFound);
  EXPECT_EQ(rt::Put(*f), rt::Error_RecordNotAvailable);  // no current record after a delete
  EXPECT_EQ(rt::Delete(*f), rt::Error_RecordNotAvailable);
  EXPECT_EQ(rt::Close(*f), 0);
}

TEST_P(Contract, UniqueKeysRefuseDuplicatesAndChangeNothing) {
  auto f = Students();
  AddRow(*f, 1, "Ana", "A1");
  AddRow(*f, 2, "Bob", "B2");
  AddRow(*f, 3, "Carl");  // blank code: no entry, so blanks never collide
  AddRow(*f, 4, "Dora");

  SetRow(*f, 1, "Eve", "E5");
  EXPECT_EQ(rt::Add(*f), rt::Error_CreatesDuplicateKey);
  SetRow(*f, 5, "Eve", "B2");
  EXPECT_EQ(rt::Add(*f), rt::Error_CreatesDuplicateKey);
  EXPECT_EQ(rt::Records(*f), 4);
  EXPECT_EQ(rt::Records(*f, kName), 4);
  EXPECT_EQ(rt::Records(*f, kCode), 2);

  SetRow(*f, 5, "Eve", "B2");
  EXPECT_TRUE(rt::Duplicate(*f));
  EXPECT_TRUE(rt::Duplicate(*f, kCode));
  EXPECT_FALSE(rt::Duplicate(*f, kId));
  rt::setText(*f, 2, "");
  EXPECT_FALSE(rt::Duplicate(*f));

  // A Put that would duplicate leaves the stored record as it was.
  SetRow(*f, 2, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_FALSE(rt::Duplicate(*f));  // its own entry is no duplicate
  rt::setText(*f, 2, "A1");
  rt::setText(*f, 1, "Bobby");
  EXPECT_EQ(rt::Put(*f), rt::Error_CreatesDuplicateKey);
  SetRow(*f, 2, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(Name(*f), "Bob");
  EXPECT_EQ(rt::getText(*f, 2).value_or(""), "B2    ");
}

// Texts are the program's Windows-1252 bytes and come back as they went,
// whatever their bytes; decimals and negative numbers too.
TEST_P(Contract, RowsRoundTripByteForByte) {
  auto f = Students();
  std::string name;
  for (int c : {0x80, 0x81, 0x8D, 0x9D, 0xA0, 0xD1, 0xF1, 0xFF, 0x27, 0x22, 0x5C}) name += static_cast<char>(c);
  name += std::string("a\0b", 3);
  AddRow(*f, -7, name, "x'y", "-12.75", "memo \xE1\xE9\xED with 'quotes' and \\");
  const std::vector<uint8_t> written = f->record;
  SetRow(*f, -7, "");
  ASSERT_EQ(rt::Get(*f, kId), 0);
  EXPECT_EQ(f->record, written);
  EXPECT_EQ(rt::getMemo(*f, 0).value_or(""), "memo \xE1\xE9\xED with 'quotes' and \\");
  EXPECT_EQ(Grade(*f), "-12.75");
}

TEST_P(Contract, EmptyRemovesEveryRecord) {
  auto f = Students();
  for (int i = 1; i <= 5; ++i) AddRow(*f, i, "N" + std::to_string(i));
  ASSERT_EQ(rt::Empty(*f), 0);
  EXPECT_EQ(rt::Records(*f), 0);
  ASSERT_EQ(rt::SetKey(*f, kId), 0);
  EXPECT_EQ(rt::Next(*f), rt::Error_RecordNotAvailable);
  AddRow(*f, 1, "again");
  EXPECT_EQ(rt::Records(*f), 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Contract, ::testing::Values("KESTREL", "PGSQL"), DriverName);

}  // namespace
}  // namespace contract
