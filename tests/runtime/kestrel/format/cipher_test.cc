#include "runtime/kestrel/format/cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kestrel {
namespace {

TEST(CipherTest, UnscrambleInvertsScramble) {
  std::mt19937 rng(11);
  for (const char* password : {"a", "secreto", "0123456789012345678901234567890123456789012345678901234567890123456789"}) {
    CipherKey key = MakeCipherKey(password);
    std::string page(256, '\0');
    for (char& c : page) c = static_cast<char>(rng());
    std::string work = page;
    ASSERT_TRUE(Scramble(key, work.data(), work.size()).ok());
    EXPECT_NE(work, page);
    ASSERT_TRUE(Unscramble(key, work.data(), work.size()).ok());
    EXPECT_EQ(work, page);
  }
}

TEST(CipherTest, KeyDependsOnEveryCharacterAndItsPlace) {
  const std::string block(64, 'x');
  auto scrambled = [&](const char* pw) {
    std::string b = block;
    EXPECT_TRUE(Scramble(MakeCipherKey(pw), b.data(), b.size()).ok());
    return b;
  };
  EXPECT_NE(scrambled("abc"), scrambled("abd"));
  EXPECT_NE(scrambled("abc"), scrambled("bca"));
  EXPECT_EQ(scrambled("abc"), scrambled("abc"));
}

TEST(CipherTest, LengthMustBeAMultipleOf64) {
  CipherKey key = MakeCipherKey("pw");
  std::string b(100, 'q');
  EXPECT_EQ(Scramble(key, b.data(), b.size()).check(), Check::kUnalignedIo);
  EXPECT_EQ(b, std::string(100, 'q'));
  EXPECT_EQ(Unscramble(key, b.data(), b.size()).check(), Check::kUnalignedIo);
}

}  // namespace
}  // namespace kestrel
