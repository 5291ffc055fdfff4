#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

// No keys: every save appends at the end of the file, so the history of a
// grade costs its commit the one page at the end of the data (where the
// record counts sit as well). Readers go through it in record order, which
// is the order the changes were committed in.
const rt::FileDeclPtr& QVHISTORIADecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVHISTORIA", "QVH", "QVHISTORIA.KRL");
    b.Long("QVH:COD_MATERIA").Long("QVH:NRO_LEGAJO").String("QVH:CAMPO", 20).String("QVH:ANTERIOR", 20)
        .String("QVH:NUEVO", 20).Decimal("QVH:FINAL", 4, 2).String("QVH:ETADO", 20).Long("QVH:DNI_DOCENTE")
        .String("QVH:PROGRAMA", 20).Date("QVH:FECHA").Long("QVH:HORA");
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
