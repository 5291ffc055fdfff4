// krl check FILE: page-level integrity of a file through the page store
// (key order, levels, parent keys, size areas, places and the end of data),
// then every table's records against its keys, statistics and memos.
#include <memory>
#include <ostream>

#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"
#include "tools/krl/check_tables.h"
#include "tools/krl/command.h"

namespace krl {
namespace {

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 1) {
    io.err << "usage: krl check FILE\n";
    return kExitUsage;
  }
  std::unique_ptr<kestrel::PageStore> store;
  kestrel::PageStore::OpenOptions options;
  options.mode = kestrel::kAccessRead | kestrel::kDenyNone;
  kestrel::Outcome o = kestrel::PageStore::Open(args[0], options, &store);
  if (!o.ok()) {
    io.err << args[0] << ": " << o.ToString() << "\n";
    return o.code() == kestrel::kInvalidDataFile ? kExitInvalid : kExitUsage;
  }
  std::string detail;
  store->BeginOperation();
  o = store->CheckIntegrity(&detail);
  store->EndOperation();
  if (!o.ok()) {
    io.out << "check failed: " << o.ToString();
    if (!detail.empty()) io.out << ": " << detail;
    io.out << "\n";
    return o.isCorruption() ? kExitCorrupt : kExitUsage;
  }
  io.out << "ok: " << detail << "\n";
  return CheckTablesReport(store.get(), io);
}

}  // namespace

KRL_COMMAND(check, "check FILE", "verify the tree, the size areas, the end of the data and every table's keys, counts and memos", Run);

}  // namespace krl
