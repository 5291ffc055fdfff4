// The five declared files of the program. Each thread reaches its own
// control block (record buffer, memos, position) through instance().
#pragma once

#include "runtime/core/file_instance.h"

namespace app {

rt::DeclaredFile& QVSEGUIR();
rt::DeclaredFile& QVALUAP();
rt::DeclaredFile& QVMATERIAS();
rt::DeclaredFile& QVAPRENDE();
rt::DeclaredFile& QVLIBRETA();

}  // namespace app
