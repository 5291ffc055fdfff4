// Table-level integrity of a whole Kestrel file: for every table, each data
// record has exactly its key entries (none missing unless the key's marker
// allows it, none extra, each naming the right id), the statistics counts
// agree, and every memo segment belongs to an existing record.
#pragma once

#include <string>

#include "runtime/kestrel/store/outcome.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

// Reads `store` within one operation. The first failure comes back as a
// consistency failure with a line describing it in *detail; on success
// *detail summarises what was checked.
Outcome CheckTables(PageStore* store, std::string* detail);

}  // namespace kestrel
