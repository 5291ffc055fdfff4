// The Kestrel driver's answers to the property operations: file properties
// (71, 72), key properties (85, 86), memo and blob properties (78, 79) and
// the key query (73). Numbers and meanings: runtime/core/file_properties.h.
#pragma once

#include <cstdint>

#include "runtime/core/file_driver.h"
#include "runtime/kestrel/driver/kestrel_table.h"

namespace kestrel {

int32_t FileProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t);
int32_t KeyProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t);
int32_t BlobProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t);
// QUERY_KEY: value 1 when `args.key` can be read in key order now (a
// declared key, or a run-time index that has been built), else 0.
int32_t QueryKey(rt::DriverArgs& args, KestrelTable& t);

}  // namespace kestrel
