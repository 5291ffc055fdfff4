// Runs the built krl binary and captures its exit status and output.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace krltest {

struct Result {
  int status = -1;  // exit status; -1 when killed by a signal
  std::string out;
  std::string err;
  std::vector<std::string> lines() const {
    std::vector<std::string> v;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
  }
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Unique per test and process: ctest runs the test cases in parallel.
inline std::string TempPath(const std::string& name) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "krl_" + std::to_string(getpid()) + "_" + (info ? info->name() : "") + "_" + name;
}

// Arguments must not need shell quoting (test paths and labels only).
inline Result RunKrl(const std::string& args) {
  const std::string out = TempPath("stdout.txt"), err = TempPath("stderr.txt");
  const std::string cmd = std::string(KRL_BINARY) + " " + args + " >" + out + " 2>" + err;
  const int raw = std::system(cmd.c_str());
  Result r;
  if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

}  // namespace krltest
