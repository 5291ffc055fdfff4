#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/data/error_block.h"
#include "framework/data/error_replace.h"

namespace {

using fw::ErrorEntryGroup;
using fw::Level;

TEST(ErrorReplace, FillsEveryOccurrenceOnce) {
  struct Case {
    const char* token;
    std::string value;
    std::string target;
    std::string expected;
  } cases[] = {
      {"%File", "QVLIBRETA", "%File and %File.", "QVLIBRETA and QVLIBRETA."},
      {"%File", "QVLIBRETA", "in %file, %FILE", "in QVLIBRETA, QVLIBRETA"},  // any case
      {"%File", "a%Fileb", "x %File y %File", "x a%Fileb y a%Fileb"},        // value holds token
      {"%File", "%FILE", "x %File", "x %File"},                              // same ignoring case
      {"%Key", "", "key %Key.", "key ."},
      {"", "x", "abc", "abc"},                                               // empty token
      {"%Message", "M", "no placeholder", "no placeholder"},
  };
  for (const Case& c : cases) {
    std::string t = c.target;
    fw::Replace(c.token, c.value, t);
    EXPECT_EQ(t, c.expected) << c.target << " / " << c.value;
  }
}

TEST(ErrorReplace, KeepsTheTextWithinItsLimit) {
  std::string t(1990, '.');
  t += "%File%File%File";
  fw::Replace("%File", std::string(300, 'x'), t);
  EXPECT_EQ(t.size(), fw::kMessageTextMax);
  EXPECT_EQ(t.substr(1990, 10), std::string(10, 'x'));
}

TEST(ErrorBlock, RoundTripsEntriesAndKeepsDuplicates) {
  std::vector<ErrorEntryGroup> in = {
      {700, "first", "T1", Level::Notify, {}},
      {700, "second", "T2", Level::User, {}},
      {65535, std::string(255, 'm'), "", Level(9), {}},
  };
  std::vector<ErrorEntryGroup> out;
  ASSERT_TRUE(fw::ReadErrorBlock(fw::MakeErrorBlock(in), out));
  ASSERT_EQ(out.size(), 3u);
  for (size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(out[i].Id, in[i].Id);
    EXPECT_EQ(out[i].Message, in[i].Message);
    EXPECT_EQ(out[i].Title, in[i].Title);
    EXPECT_EQ(out[i].Fatality, in[i].Fatality);
  }
}

TEST(ErrorBlock, TruncatedBlockKeepsWholeEntriesOnly) {
  const std::vector<uint8_t> block =
      fw::MakeErrorBlock({{1, "one", "A", Level::Notify, {}}, {2, "two", "B", Level::Notify, {}}});
  const size_t firstEntryEnd = 2 + 2 + 1 + 2 + 4;
  for (size_t len = 0; len < block.size(); ++len) {
    std::vector<ErrorEntryGroup> out;
    EXPECT_FALSE(fw::ReadErrorBlock(fw::ErrorBlock(block.data(), len), out)) << len;
    EXPECT_EQ(out.size(), len >= firstEntryEnd ? 1u : 0u) << len;
  }
  // A count larger than the entries present.
  std::vector<uint8_t> lying = block;
  lying[0] = 200;
  std::vector<ErrorEntryGroup> out;
  EXPECT_FALSE(fw::ReadErrorBlock(lying, out));
  EXPECT_EQ(out.size(), 2u);
}

TEST(DefaultErrors, HoldsTheBuiltInTableInOrder) {
  std::vector<ErrorEntryGroup> table;
  ASSERT_TRUE(fw::ReadErrorBlock(fw::DefaultErrors(), table));
  ASSERT_EQ(table.size(), 52u);
  std::vector<int32_t> ids;
  for (const auto& e : table) ids.push_back(e.Id);
  EXPECT_EQ(ids, (std::vector<int32_t>{30, 29, 12, 27, 19, 20, 18, 16, 34, 33, 4,  7,  8,
                                       37, 36, 23, 41, 14, 10, 15, 35, 21, 39, 40, 6,  26,
                                       28, 13, 11, 38, 24, 1,  43, 3,  31, 5,  17, 25, 2,
                                       42, 44, 45, 46, 47, 49, 22, 51, 50, 48, 52, 53, 9}));
  // Entries whose blanks, quotes and levels are easy to get wrong.
  struct Case {
    size_t index;
    Level level;
    const char* title;
    const char* message;
  } cases[] = {
      {21, Level::Notify, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
      {25, Level::Fatal, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
      {20, Level::User, "Auto Increment Error",
       "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: "
       "%ErrorText.|Try Again?"},
      {39, Level::Program, "File Usage Error", "Attempt to use file (%File) before it was opened"},
      {41, Level::Notify, "SMTP Error", "The following SMTP Error occurred: %Message "},
      {42, Level::Notify, "NNTP Error", "%Message "},
      {49, Level::Notify, "Report Writer Error",
       "Poorly Formed Comment String \"%Message\" at Position %Field."},
      {31, Level::Notify, "Record Retrieval Error",
       "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
       "previous window."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table[c.index].Fatality, c.level) << c.index;
    EXPECT_EQ(table[c.index].Title, c.title) << c.index;
    EXPECT_EQ(table[c.index].Message, c.message) << c.index;
  }
}

}  // namespace
