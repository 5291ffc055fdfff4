// Shared by the declaration units: builds a declaration that must be
// consistent, stopping the program when it is not (a fault in this code,
// not in any data).
#pragma once

#include "runtime/core/file_decl_builder.h"

namespace app::internal {

rt::FileDeclPtr BuildOrDie(rt::FileDeclBuilder& builder);

// Key attribute sets as the dictionary states them.
inline constexpr uint8_t kPrimaryUnique = rt::kKeyPrimary | rt::kKeyExcludeBlank;
inline constexpr uint8_t kUnique = rt::kKeyExcludeBlank;
inline constexpr uint8_t kDups = rt::kKeyDuplicates | rt::kKeyExcludeBlank;
inline constexpr uint8_t kDupsNoCase = rt::kKeyDuplicates | rt::kKeyNoCase | rt::kKeyExcludeBlank;

}  // namespace app::internal
