// The qvnotas program on folders it cannot work on, run as a real process
// without a display: what it says on the terminal and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/qvnotas/school_folder.h"
#include "tools/qvdata/commands.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Qvnotas : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qvnotas_test.XXXXXX";
    root_ = ::mkdtemp(tmpl);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs the program with `args`, without a display (none of DISPLAY,
  // WAYLAND_DISPLAY, QT_QPA_PLATFORM); ended after a minute if it waits.
  Outcome Run(const std::vector<std::string>& args) {
    const std::string out = root_ + "/.out", err = root_ + "/.err";
    pid_t pid = fork();
    if (pid == 0) {
      int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(120);
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::unsetenv("QT_QPA_PLATFORM");
      ::alarm(60);
      std::vector<char*> argv{const_cast<char*>(QVNOTAS_BINARY)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(QVNOTAS_BINARY, argv.data());
      _exit(121);
    }
    Outcome r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }

  std::string root_;
};

// Each folder is named in the message with the command that makes a
// sample school there, quoted so that it can be pasted into a shell.
TEST_F(Qvnotas, AFolderWithoutTheSchoolIsNamedWithTheCommandThatMakesOne) {
  struct Case {
    const char* what;
    std::string folder;
    const char* says;
  };
  const std::string empty = root_ + "/vacía", partial = root_ + "/solo alumnos", quote = root_ + "/it's";
  fs::create_directory(empty);
  fs::create_directory(partial);
  std::ofstream(partial + "/QVAluAP.KRL") << "x";
  const Case cases[] = {
      {"missing", root_ + "/nowhere", "There is no folder"},
      {"missing, with a quote in its name", quote, "There is no folder"},
      {"empty", empty, "holds no school"},
      {"without subjects and grade books", partial, "lacks the school's QVLIBRETA.KRL, QVMaterias.KRL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome r = Run({c.folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(app::ShellWord(c.folder)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("qvdata demo " + app::ShellWord(c.folder)), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(root_ + "/nowhere"));  // nothing made on the way
}

TEST_F(Qvnotas, ASchoolWithoutADisplayNamesTheCommandToRunOnADesktop) {
  const std::string school = root_ + "/escuela";
  std::ostringstream out, err;
  ASSERT_EQ(qvdata::RunQvdata({"demo", school, "--seed", "5"}, out, err), 0) << err.str();
  const Outcome r = Run({school});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("qvnotas " + app::ShellWord(school)), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(school + "/QVAPP.INI"));
}

TEST_F(Qvnotas, HelpNamesTheSampleSchoolAndABadCommandLineExitsTwo) {
  Outcome r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("qvdata demo FOLDER"), std::string::npos) << r.out;
  r = Run({"--colour"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("qvnotas: unknown option --colour"), std::string::npos) << r.err;
  r = Run({"a", "b"});
  EXPECT_EQ(r.status, 2);
}

// What the messages suggest survives a real shell unchanged.
TEST(ShellWord, ReadsBackThroughTheShell) {
  for (const std::string s : {"demo-data", "mi escuela", "it's", "'", "a'b'c", "$HOME `x` \"q\" \\", ""}) {
    const std::string cmd = "printf %s " + app::ShellWord(s);
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string got;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) got.append(buf, n);
    EXPECT_EQ(::pclose(p), 0) << cmd;
    EXPECT_EQ(got, s) << cmd;
  }
}

}  // namespace
