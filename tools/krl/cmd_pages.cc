// krl pages FILE: one line per page of the tree, root first, in key order.
#include <ostream>

#include "tools/krl/command.h"
#include "tools/krl/kestrel_file.h"

namespace krl {
namespace {

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 1) {
    io.err << "usage: krl pages FILE\n";
    return kExitFailed;
  }
  KestrelFile file;
  bool readable = false;
  std::string error;
  kestrel::Status s = file.LoadHeader(args[0], &readable, &error);
  if (!readable) {
    io.err << "krl: " << error << "\n";
    return kExitFailed;
  }
  if (!s.ok()) return ReportFailure(s, args[0], io);
  io.out << "ref units level records stored plain compressed\n";
  s = file.reader().VisitPages([&](const kestrel::ImageReader::PageInfo& p, const kestrel::Page& page) {
    io.out << p.ref << " " << p.units << " " << int(page.level) << " " << page.records.size() << " "
           << p.header.stored_size << " " << p.header.plain_size << " "
           << (p.header.compressed() ? "yes" : "no") << "\n";
  });
  if (!s.ok()) return ReportFailure(s, args[0], io);
  return kExitOk;
}

}  // namespace

KRL_COMMAND(pages, "pages FILE",
            "one line per page: reference, size class, level, records, stored/plain size, compressed", Run);

}  // namespace krl
