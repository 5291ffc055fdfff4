// The PostgreSQL driver's entry routine, registered with the runtime under
// the name "PGSQL". Each control block keeps a PgTable in its driver part;
// the table reads and writes the block's own buffers.
//
// Connection: libpq's defaults and environment (PGHOST, PGPORT, PGUSER,
// PGDATABASE ...), or the connection text in QV_PG_CONNINFO. Schema: the
// driver string's "/SCHEMA=name", else QV_PG_SCHEMA, else the search path.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/core/file_control.h"
#include "runtime/core/file_driver.h"

namespace pgsql {

inline constexpr char kDriverName[] = "PGSQL";

int32_t PgsqlDriverEntry(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args);

// Registers the entry routine as "PGSQL" (idempotent).
void RegisterPgsqlDriver();

}  // namespace pgsql
