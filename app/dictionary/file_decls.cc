#include "app/dictionary/file_decls.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "app/dictionary/decl_internal.h"

namespace app {

namespace internal {

rt::FileDeclPtr BuildOrDie(rt::FileDeclBuilder& builder) {
  rt::FileDeclPtr decl = builder.Build();
  if (!decl) {
    std::fprintf(stderr, "data dictionary: %s\n", builder.error().c_str());
    std::abort();
  }
  return decl;
}

}  // namespace internal

std::array<rt::FileDeclPtr, 5> AllFileDecls() {
  return {QVLIBRETADecl(), QVAPRENDEDecl(), QVMATERIASDecl(), QVALUAPDecl(), QVSEGUIRDecl()};
}

rt::FileDeclPtr FileDeclByLabel(std::string_view label) {
  for (const rt::FileDeclPtr& d : AllFileDecls()) {
    if (d->label.size() != label.size()) continue;
    bool same = true;
    for (size_t i = 0; i < label.size() && same; ++i) {
      same = std::toupper(static_cast<unsigned char>(label[i])) == static_cast<unsigned char>(d->label[i]);
    }
    if (same) return d;
  }
  return nullptr;
}

}  // namespace app
