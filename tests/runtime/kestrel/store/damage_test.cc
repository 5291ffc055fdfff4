#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "store_fixture.h"

namespace kestrel::testing {
namespace {

using DamageTest = StoreTest;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Random bytes of a sound file are damaged; every operation must end in a
// result (possibly a typed failure), never a crash or a hang.
TEST_F(DamageTest, DamagedFilesGiveResultsNotCrashes) {
  {
    auto s = Open();
    ASSERT_TRUE(Write(*s, [&]() -> Outcome {
                  for (uint32_t k = 0; k < 150; ++k) KESTREL_RETURN_IF_FAILED(s->Insert(Rec(k, 30 + (k * 53) % 900)));
                  return Outcome::OK();
                }).ok());
  }
  const std::string sound = ReadFile(path_);
  const std::string work = dir_ + "/work.krl";
  std::mt19937 rng(17);
  int failures = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = sound;
    int flips = 1 + rng() % 4;
    for (int i = 0; i < flips; ++i) {
      // Mostly the header and page headers, where damage matters most.
      size_t at = rng() % 3 == 0 ? rng() % 512 : rng() % bytes.size();
      bytes[at] = static_cast<char>(rng());
    }
    std::ofstream(work, std::ios::binary | std::ios::trunc) << bytes;
    std::unique_ptr<PageStore> s;
    PageStore::OpenOptions o;
    if (!PageStore::Open(work, o, &s).ok()) {
      ++failures;
      continue;
    }
    s->BeginOperation();
    Cursor c;
    bool found = false;
    Outcome r = s->FindAtLeast("", &c, &found);
    for (int n = 0; r.ok() && found && n < 10000; ++n) r = s->Next(&c, &found);
    std::string detail;
    s->CheckIntegrity(&detail);
    s->EndOperation();
    r = Write(*s, [&]() -> Outcome {
      KESTREL_RETURN_IF_FAILED(s->Insert(Rec(5000 + round, 700)));
      bool gone;
      return s->Remove(Key(rng() % 150), &gone);
    });
    failures += !r.ok();
  }
  EXPECT_GT(failures, 0);  // the damage was noticed at least sometimes
}

// An open store reads the header at every operation: a change made through
// another store is seen, and a header cut short fails rather than passing
// for the one read before.
TEST_F(DamageTest, EachOperationSeesTheHeaderOnDisk) {
  auto reader = Open();
  auto writer = Open();
  ASSERT_TRUE(Write(*writer, [&] { return writer->Insert(Rec(1, 40)); }).ok());
  EXPECT_EQ(ReadAll(*reader).size(), 1u);
  EXPECT_EQ(ReadAll(*reader).size(), 1u);
  ASSERT_TRUE(Write(*writer, [&] { return writer->Insert(Rec(2, 40)); }).ok());
  EXPECT_EQ(ReadAll(*reader).size(), 2u);

  std::filesystem::resize_file(path_, 100);
  reader->BeginOperation();
  Cursor c;
  bool found = false;
  Outcome r = reader->FindAtLeast("", &c, &found);
  reader->EndOperation();
  EXPECT_FALSE(r.ok());
}

}  // namespace
}  // namespace kestrel::testing
