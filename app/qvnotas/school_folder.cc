#include "app/qvnotas/school_folder.h"

#include <unistd.h>

#include <filesystem>

#include "app/dictionary/file_decls.h"

namespace app {

std::string ShellWord(const std::string& s) {
  std::string word = "'";
  for (char c : s) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

namespace {

std::string Quoted(const std::string& s) { return ShellWord(s); }

}  // namespace

SchoolFolderCheck CheckSchoolFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  SchoolFolderCheck check;
  const std::string sample = "To make a sample school there: qvdata demo " + Quoted(folder);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    check.problem = "There is no folder " + Quoted(folder) + ".\n" + sample;
    return check;
  }
  std::vector<std::string> missing;
  int present = 0;
  for (const rt::FileDeclPtr& decl : AllFileDecls()) {
    const bool needed = decl->label == "QVALUAP" || decl->label == "QVMATERIAS" || decl->label == "QVLIBRETA";
    const bool there = fs::is_regular_file(fs::path(folder) / decl->name, ec);
    present += there;
    if (needed && !there) missing.push_back(decl->name);
  }
  if (present == 0) {
    check.problem = "The folder " + Quoted(folder) + " holds no school: none of its files (QVAluAP.KRL, "
                    "QVMaterias.KRL, QVLIBRETA.KRL ...) is there.\n" + sample;
    return check;
  }
  if (!missing.empty()) {
    std::string names;
    for (const std::string& m : missing) names += (names.empty() ? "" : ", ") + m;
    check.problem = "The folder " + Quoted(folder) + " lacks the school's " + names +
                    " (students, subjects and grade books come from 'qvdata import').\n" + sample;
    return check;
  }
  if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
    check.problem = "The folder " + Quoted(folder) + " cannot be written; the program saves grades there.";
    return check;
  }
  check.ok = true;
  return check;
}

}  // namespace app
