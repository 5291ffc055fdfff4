// The Kestrel driver's entry routine, registered with the runtime under the
// name "KESTREL". It keeps a KestrelTable in each control block's driver
// part and moves the record buffer and memos between the two around every
// operation.
#pragma once

#include <cstdint>

#include "runtime/core/file_control.h"
#include "runtime/core/file_decl.h"
#include "runtime/core/file_driver.h"
#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

inline constexpr char kDriverName[] = "KESTREL";

int32_t KestrelDriverEntry(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args);

// Registers the entry routine as "KESTREL" (idempotent).
void RegisterKestrelDriver();

// The table layout of a runtime declaration, and back.
TableDef TableDefFromDecl(const rt::FileDecl& decl);
rt::FileDeclPtr DeclFromTableDef(const TableDef& def, const rt::FileDecl& base);

}  // namespace kestrel
