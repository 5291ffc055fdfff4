// qvnotas: the program. Checks its command and the school's folder on the
// terminal, then starts the toolkit, works in the school's folder and runs
// the program body on the main thread, whose thread objects it brings up
// before and down after.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "app/dictionary/program.h"
#include "app/qvnotas/command_line.h"
#include "app/qvnotas/school_folder.h"
#include "app/signin/main_procedure.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/qt/desktop_session.h"

int main(int argc, char** argv) {
  const app::Command command = app::ParseCommand(std::vector<std::string>(argv + 1, argv + argc));
  if (!command.fault.empty()) {
    std::cerr << "qvnotas: " << command.fault << "\nRun 'qvnotas --help' for more information.\n";
    return app::kExitUsage;
  }
  if (command.help) {
    app::PrintUsage(std::cout);
    return 0;
  }
  if (command.version) {
    std::cout << "qvnotas " << app::kProgramVersion << "\n";
    return 0;
  }
  const app::SchoolFolderCheck check = app::CheckSchoolFolder(command.folder);
  if (!check.ok) {
    std::cerr << "qvnotas: " << check.problem << "\n";
    return 1;
  }
  if (!ui::qt::DesktopSession::DisplayAvailable()) {
    std::cerr << "qvnotas: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "run it on a desktop: qvnotas " << app::ShellWord(command.folder) << "\n";
    return 1;
  }
  if (::chdir(command.folder.c_str()) != 0) {
    std::cerr << "qvnotas: cannot work in '" << command.folder << "': " << std::strerror(errno) << "\n";
    return 1;
  }
  kestrel::RegisterKestrelDriver();
  ui::qt::DesktopSession session(argc, argv);
  {
    app::ThreadObjects thread;
    app::RunProgram(app::Main);
  }
  return 0;
}
