// krl tables FILE: the table-level checks on their own.
#include "tools/krl/check_tables.h"

#include <memory>
#include <ostream>

#include "runtime/kestrel/driver/table_check.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"

namespace krl {

int OpenForCheck(const std::string& path, Io& io, std::unique_ptr<kestrel::PageStore>* store) {
  kestrel::PageStore::OpenOptions options;
  options.mode = kestrel::kAccessRead | kestrel::kDenyNone;
  kestrel::Outcome o = kestrel::PageStore::Open(path, options, store);
  if (!o.ok()) {
    io.err << path << ": " << o.ToString() << "\n";
    return o.code() == rt::Error_InvalidDataFile ? kExitInvalid : kExitFailed;
  }
  return kExitOk;
}

int CheckTablesReport(kestrel::PageStore* store, Io& io) {
  std::string detail;
  kestrel::Outcome o = kestrel::CheckTables(store, &detail);
  if (!o.ok()) {
    io.out << "check failed: " << o.ToString();
    if (!detail.empty()) io.out << ": " << detail;
    io.out << "\n";
    return o.isCorruption() ? kExitCorrupt : kExitFailed;
  }
  io.out << "tables ok: " << detail << "\n";
  return kExitOk;
}

namespace {

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 1) {
    io.err << "usage: krl tables FILE\n";
    return kExitFailed;
  }
  std::unique_ptr<kestrel::PageStore> store;
  if (int rc = OpenForCheck(args[0], io, &store); rc != kExitOk) return rc;
  return CheckTablesReport(store.get(), io);
}

}  // namespace

KRL_COMMAND(tables, "tables FILE",
            "verify every table: key entries of each record, statistics counts and markers, memo owners", Run);

}  // namespace krl
