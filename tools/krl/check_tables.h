// Table-level part of `krl check`: every table's records against its keys,
// statistics and memos (see runtime/kestrel/driver/table_check.h).
#pragma once

#include <memory>
#include <string>

#include "runtime/kestrel/store/page_store.h"
#include "tools/krl/command.h"

namespace krl {

// Opens FILE read-only for checking; on failure prints why on io.err and
// returns the exit status (kExitInvalid or kExitFailed), else kExitOk.
int OpenForCheck(const std::string& path, Io& io, std::unique_ptr<kestrel::PageStore>* store);

// Prints "tables ok: ..." or "check failed: ..." on io.out; returns kExitOk
// or kExitCorrupt (kExitFailed when the file cannot be read).
int CheckTablesReport(kestrel::PageStore* store, Io& io);

}  // namespace krl
