#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

const rt::FileDeclPtr& QVAPRENDEDecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVAPRENDE", "QVAP", "QVAPRENDE.KRL");
    b.Long("QVAP:NRO_REGISTRO").Long("QVAP:COD_MATERIA").Long("QVAP:COD_CURSO").Long("QVAP:COD_DOCENTE")
        .Short("QVAP:NRO_ORDEN").String("QVAP:MATERIAS", 60).String("QVAP:DOCENTE", 60)
        .String("QVAP:CONTENIDO_PRIORIZADO", 255);
    b.Memo("QVAP:APRENDIZAJE_TRABAJO", 1000);
    b.Key("QVAP:CLAVE_PRIMARIA", kPrimaryUnique, {"QVAP:NRO_REGISTRO"})
        .Key("QVAP:CLAVE_LEGAJO_ORDEN_MATERIA", kDups, {"QVAP:NRO_ORDEN", "QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_COD_MATERIA", kDups, {"QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_ALFA_MATERIAS", kDups, {"QVAP:MATERIAS", "QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_MATERIA_REGISTRO_LEGAJO", kDups, {"QVAP:COD_MATERIA", "QVAP:NRO_REGISTRO"})
        .Key("QVAP:CLAVE_MATERIA_LEGAJO", kDupsNoCase, {"QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_CODMATERIA_ALUALFA", kDups, {"QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", kDupsNoCase, {"QVAP:NRO_ORDEN", "QVAP:COD_MATERIA"})
        .Key("QVAP:CLAVE_ALFAMAGERIA_LEGAJO", kDupsNoCase, {"QVAP:MATERIAS"})
        .Key("QVAP:CLAVE_LEGAJO_COD_MATERIA", kDupsNoCase, {"QVAP:COD_MATERIA"});
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
