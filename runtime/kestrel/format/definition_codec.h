// The table definition stream, cut into definition blocks of 512 bytes.
//
// One routine walks the stream in one of three modes over the same items:
//   kWrite   produce the stream from a declaration (version 2 when it has a blob)
//   kVerify  compare the stored stream with a declaration: the first
//            difference fails Mismatch naming the item ("FIELDS", "MEMOS",
//            "KEYS", "TYPE", "DIM", "SIZE", "OVER", "PLACES", "BINARY",
//            "ATTRIBUTE", "FIELD", "ASCENDING"); a version above 2 fails with
//            the newer-format message
//   kRead    build a declaration from the stored stream
//
// Strings are their characters and a zero byte; the empty string is 00 00 and
// a missing one 00 01.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "runtime/kestrel/format/status.h"
#include "runtime/kestrel/format/table_def.h"

namespace kestrel {

inline constexpr size_t kDefinitionBlockSize = 512;
inline constexpr uint16_t kNewestDefinitionVersion = 2;

enum class DefinitionMode { kWrite, kVerify, kRead };

// Where the definition blocks of one table live (the page store, or memory).
class DefinitionBlocks {
 public:
  virtual ~DefinitionBlocks() = default;
  // Fills *out with block `n`; false when there is no such block.
  virtual bool Load(uint16_t n, std::string* out) = 0;
  virtual void Store(uint16_t n, std::string_view bytes) = 0;
};

// Blocks held in memory, keyed by block number.
class MemoryDefinitionBlocks : public DefinitionBlocks {
 public:
  bool Load(uint16_t n, std::string* out) override;
  void Store(uint16_t n, std::string_view bytes) override { blocks[n] = std::string(bytes); }

  std::map<uint16_t, std::string> blocks;
};

struct DefinitionOptions {
  bool decimal_check = true;  // "DecimalCheck" switch: off skips PLACES/decimal SIZE
};

// `table` is read in kWrite and kVerify, filled in kRead (its version too).
// In kWrite its version is set to RequiredVersion().
Status WalkDefinition(DefinitionMode mode, TableDef* table, DefinitionBlocks* blocks,
                      const DefinitionOptions& options = {});

// Sum of the component sizes of every key must stay within 7526 bytes; fails
// Mismatch with kKeyTooLongMessage. Components naming no field fail kFieldLayout.
Status CheckKeySizes(const TableDef& table);

}  // namespace kestrel
