// Scratch directories, fixture files and running qvdata commands in-process.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/qvdata/commands.h"

namespace qvdata::testing {

class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/qvdata.XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

  // Writes `text` to the file `name` and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(*this / name, std::ios::binary) << text;
    return *this / name;
  }

 private:
  std::string path_;
};

struct Result {
  int status = -1;
  std::string out, err;
};

inline Result RunTool(const Args& args) {
  std::ostringstream out, err;
  Result r;
  r.status = RunQvdata(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every regular file of `dir` with its bytes.
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.is_regular_file()) files[e.path().filename().string()] = ReadFile(e.path().string());
  }
  return files;
}

}  // namespace qvdata::testing
