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
    // Texts as long as what they hold and no longer: smaller records fill
    // the last page more slowly, and the page store splits it less often.
    // CAMPO holds a grade-book label ("QVL:DICIEMBRE"), ANTERIOR and NUEVO
    // any grade field's value (QVL:ETADO has 20 characters), ETADO a word
    // of the grade rule.
    b.Long("QVH:COD_MATERIA").Long("QVH:NRO_LEGAJO").String("QVH:CAMPO", 14).String("QVH:ANTERIOR", 20)
        .String("QVH:NUEVO", 20).Decimal("QVH:FINAL", 4, 2).String("QVH:ETADO", 10).Long("QVH:DNI_DOCENTE")
        .String("QVH:PROGRAMA", 16).Date("QVH:FECHA").Long("QVH:HORA");
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
