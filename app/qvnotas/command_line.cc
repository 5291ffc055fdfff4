#include "app/qvnotas/command_line.h"

namespace app {

Command ParseCommand(const std::vector<std::string>& words) {
  Command c;
  bool folderGiven = false, optionsEnded = false;
  for (const std::string& w : words) {
    if (!optionsEnded && w == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (w == "-h" || w == "--help")) {
      c.help = true;
    } else if (!optionsEnded && w == "--version") {
      c.version = true;
    } else if (!optionsEnded && w.size() > 1 && w[0] == '-') {
      c.fault = "unknown option " + w;
      return c;
    } else if (folderGiven) {
      c.fault = "one folder only, got also " + w;
      return c;
    } else if (w.empty()) {
      c.fault = "the folder name is empty";
      return c;
    } else {
      c.folder = w;
      folderGiven = true;
    }
  }
  return c;
}

void PrintUsage(std::ostream& out) {
  out << "Usage: qvnotas [FOLDER]\n"
         "\n"
         "QV Notas: teachers sign in with their D.N.I. and birth date and type\n"
         "their students' grades.\n"
         "\n"
         "FOLDER holds the school's files (QVAluAP.KRL, QVMaterias.KRL,\n"
         "QVLIBRETA.KRL, QVAPRENDE.KRL, QVSEGUIR.KRL); default: the current\n"
         "folder. Window positions are kept in FOLDER/QVAPP.INI.\n"
         "A sample school to try it on: qvdata demo FOLDER\n"
         "\n"
         "Options:\n"
         "  -h, --help   this text\n"
         "  --version    the program's version\n";
}

}  // namespace app
