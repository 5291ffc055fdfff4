#include <string>

#include "tools/qvdata/commands.h"

namespace qvdata {

namespace {

void Usage(std::ostream& err) {
  err << "usage: qvdata COMMAND ...\n"
         "  demo DIR [--seed N] [--divisions N]    create a sample school\n"
         "  import DIR --students F.csv --subjects F.csv [--gradebook F.csv] [--contents F.csv]\n"
         "                                         add records from CSV files, all or nothing\n"
         "  enroll DIR                             add the missing grade-book rows\n"
         "  export DIR TABLE [--format csv|json]   write every record of a table\n";
}

}  // namespace

int RunQvdata(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    Usage(err);
    return kExitUsage;
  }
  const Args rest(args.begin() + 1, args.end());
  const std::string& command = args[0];
  if (command == "demo") return RunDemo(rest, out, err);
  if (command == "import") return RunImport(rest, out, err);
  if (command == "enroll") return RunEnroll(rest, out, err);
  if (command == "export") return RunExport(rest, out, err);
  if (command == "help" || command == "--help" || command == "-h") {
    Usage(out);
    return kExitOk;
  }
  err << "qvdata: unknown command " << command << "\n";
  Usage(err);
  return kExitUsage;
}

}  // namespace qvdata
