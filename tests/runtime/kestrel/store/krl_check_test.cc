#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "store_fixture.h"

#ifdef KRL_BINARY
namespace kestrel::testing {
namespace {

using KrlCheckTest = StoreTest;

int RunCheck(const std::string& path, std::string* output) {
  std::string cmd = std::string(KRL_BINARY) + " check '" + path + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[512];
  output->clear();
  while (fgets(buf, sizeof buf, p)) output->append(buf);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(KrlCheckTest, SoundFilePassesDamagedFileFailsWithThree) {
  {
    auto s = Open();
    ASSERT_TRUE(InsertRecords(*s, 0, 300, 400).ok());
  }
  std::string out;
  EXPECT_EQ(RunCheck(path_, &out), 0) << out;
  EXPECT_NE(out.find("300 records"), std::string::npos) << out;
  // Shift area 1 by one unit: the root is no longer where the header says.
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0x110 + 4);  // area end 1
    f.write("\x05\x00\x00\x00", 4);
  }
  EXPECT_EQ(RunCheck(path_, &out), 3) << out;
  EXPECT_NE(out.find("check failed"), std::string::npos) << out;
  std::ofstream(path_, std::ios::trunc) << std::string(700, 'z');
  EXPECT_EQ(RunCheck(path_, &out), 2) << out;
}

}  // namespace
}  // namespace kestrel::testing
#endif
