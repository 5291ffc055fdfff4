// qvnotas [FOLDER] | --help | --version
//
// The words after the program name become a Command. Usage faults are
// reported as "qvnotas: <what>" plus "Run 'qvnotas --help' for more
// information." with exit status 2, as the suite's other programs do.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace app {

inline constexpr char kProgramVersion[] = "1.0.0";
inline constexpr int kExitUsage = 2;

struct Command {
  bool help = false;
  bool version = false;
  std::string folder = ".";  // the school's folder
  std::string fault;         // empty when the words are valid
};

Command ParseCommand(const std::vector<std::string>& words);
void PrintUsage(std::ostream& out);

}  // namespace app
