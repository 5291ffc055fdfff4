#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

const rt::FileDeclPtr& QVALUAPDecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVALUAP", "QVA", "QVAluAP.KRL");
    b.Long("QVA:LEGAJO").String("QVA:APELLIDO_NOMBRE", 50).Long("QVA:DNI").String("QVA:SEXO", 20)
        .String("QVA:E_MAIL", 80).Long("QVA:COD_CURSO");
    b.Key("QVA:CLAVE_PRINCIPAL", kDups, {"QVA:LEGAJO"})
        .Key("QVA:CLAVE_ALFA", kDupsNoCase, {"QVA:APELLIDO_NOMBRE"})
        .Key("QVA:CLAVE_DNI", kUnique, {"QVA:DNI"})
        .Key("QVA:CLAVE_TIPO_CURSO_DIVISION", kDupsNoCase, {"QVA:COD_CURSO", "QVA:APELLIDO_NOMBRE"})
        .Key("QVA:CLAVE_CURSO_SEXO_ALFA", kDupsNoCase, {"QVA:COD_CURSO", "QVA:SEXO", "QVA:APELLIDO_NOMBRE"})
        .Key("QVA:CLAVE_CURSO_LEGAJO", kDupsNoCase, {"QVA:COD_CURSO", "QVA:LEGAJO"});
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
