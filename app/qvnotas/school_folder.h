// Whether a folder holds a school the program can work on: the students,
// subjects and grade books must be there, because the program only reads
// them (the contents and follow-up files it creates when missing).
#pragma once

#include <string>
#include <vector>

namespace app {

struct SchoolFolderCheck {
  bool ok = false;
  std::string problem;  // what is wrong and how to mend it; empty when ok
};

SchoolFolderCheck CheckSchoolFolder(const std::string& folder);

// `s` as one word that a POSIX shell reads back unchanged (single-quoted,
// a quote inside written as '\''), for the commands the messages suggest.
std::string ShellWord(const std::string& s);

}  // namespace app
