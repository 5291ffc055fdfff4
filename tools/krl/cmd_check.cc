// krl check FILE: page-level integrity of a file through the page store
// (key order, levels, parent keys, size areas, places and the end of data),
// then every table's records against its keys, statistics and memos.
#include <memory>
#include <ostream>

#include "runtime/kestrel/store/page_store.h"
#include "tools/krl/check_tables.h"
#include "tools/krl/command.h"

namespace krl {
namespace {

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 1) {
    io.err << "usage: krl check FILE\n";
    return kExitFailed;
  }
  std::unique_ptr<kestrel::PageStore> store;
  if (int rc = OpenForCheck(args[0], io, &store); rc != kExitOk) return rc;
  std::string detail;
  store->BeginOperation();
  kestrel::Outcome o = store->CheckIntegrity(&detail);
  store->EndOperation();
  if (!o.ok()) {
    io.out << "check failed: " << o.ToString();
    if (!detail.empty()) io.out << ": " << detail;
    io.out << "\n";
    return o.isCorruption() ? kExitCorrupt : kExitFailed;
  }
  io.out << "ok: " << detail << "\n";
  return CheckTablesReport(store.get(), io);
}

}  // namespace

KRL_COMMAND(check, "check FILE", "verify the tree, the size areas, the end of the data and every table's keys, counts and memos", Run);

}  // namespace krl
