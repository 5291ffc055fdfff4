#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

const rt::FileDeclPtr& QVSEGUIRDecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVSEGUIR", "QVG", "QVSEGUIR.KRL");
    b.Long("QVG:NRO_REGISTRO").Long("QVG:NRO_LEGAJO").Long("QVG:COD_MATERIA").Short("QVG:NRO_ORDEN")
        .String("QVG:ALUMNO", 60).String("QVG:MATERIAS", 60).String("QVG:CONTENIDO_PRIORIZADO", 255)
        .String("QVG:LOGRADO", 10).String("QVG:PENDIENTE", 10).String("QVG:ENPROCESO", 10)
        .String("QVG:PPI", 10).String("QVG:VALORACION_FINAL", 10).Long("QVG:COD_CURSO")
        .String("QVG:INGRESO", 10).String("QVG:OPERADOR", 20).String("QVG:DOCENTE", 60)
        .Long("QVG:COD_DOCENTE");
    b.Memo("QVG:OBSPPI", 1000).Memo("QVG:APRENDIZAJE_TRABAJO", 1000);
    b.Key("QVG:CLAVE_PRIMARIA", kPrimaryUnique, {"QVG:NRO_REGISTRO"})
        .Key("QVG:CLAVE_LEGAJO_ORDEN_MATERIA", kDups, {"QVG:NRO_LEGAJO", "QVG:NRO_ORDEN", "QVG:COD_MATERIA"})
        .Key("QVG:CLAVE_COD_MATERIA", kDups, {"QVG:COD_MATERIA"})
        .Key("QVG:CLAVE_ALFA_MATERIAS", kDups, {"QVG:MATERIAS", "QVG:COD_MATERIA"})
        .Key("QVG:CLAVE_MATERIA_REGISTRO_LEGAJO", kDups, {"QVG:COD_MATERIA", "QVG:NRO_REGISTRO", "QVG:NRO_LEGAJO"})
        .Key("QVG:CLAVE_MATERIA_LEGAJO", kDupsNoCase, {"QVG:COD_MATERIA", "QVG:NRO_LEGAJO"})
        .Key("QVG:CLAVE_CODMATERIA_ALUALFA", kDups, {"QVG:COD_MATERIA", "QVG:ALUMNO"})
        .Key("QVG:CLAVE_PROMEDIAEN_LEGAJO", kDupsNoCase, {"QVG:NRO_LEGAJO"})
        .Key("QVG:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", kDupsNoCase,
             {"QVG:NRO_LEGAJO", "QVG:NRO_ORDEN", "QVG:COD_MATERIA"})
        .Key("QVG:CLAVE_ALFAMAGERIA_LEGAJO", kDupsNoCase, {"QVG:MATERIAS", "QVG:NRO_LEGAJO"})
        .Key("QVG:CLAVE_LEGAJO_COD_MATERIA", kDupsNoCase, {"QVG:NRO_LEGAJO", "QVG:COD_MATERIA"});
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
