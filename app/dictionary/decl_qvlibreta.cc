#include <string>

#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

const rt::FileDeclPtr& QVLIBRETADecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVLIBRETA", "QVL", "QVLIBRETA.KRL");
    b.Long("QVL:NRO_REGISTRO").Long("QVL:NRO_LEGAJO").Short("QVL:NRO_ORDEN").String("QVL:SEXO", 10)
        .String("QVL:ALUMNO", 30).Long("QVL:COD_MATERIA").String("QVL:MATERIAS", 60).String("QVL:CAMPO", 6);
    for (int k = 1; k <= 30; ++k) b.Decimal("QVL:ETAPA" + std::to_string(k), 4, 2);
    b.Decimal("QVL:PRONOSTICO1", 3, 2).Decimal("QVL:PRONOSTICO2", 4, 2).Decimal("QVL:PRONOSTICO3", 3, 2)
        .Decimal("QVL:FINALETAPAI", 4, 2).Decimal("QVL:FINALETAPAII", 4, 2).Decimal("QVL:FINALETAPAIII", 4, 2)
        .Decimal("QVL:EVALUACION_ANUAL", 4, 2).Decimal("QVL:DICIEMBRE", 4, 2).Decimal("QVL:MARZO", 4, 2)
        .Decimal("QVL:FINAL", 4, 2);
    for (int k = 1; k <= 20; ++k) b.String("QVL:CUALIFICA" + std::to_string(k), 3);
    b.String("QVL:FINAL1", 3).String("QVL:FINAL2", 3).String("QVL:FINAL3", 3).String("QVL:FINALANUAL", 3);
    for (int k = 1; k <= 20; ++k) b.Decimal("QVL:EXTRA" + std::to_string(k), 4, 2);
    b.String("QVL:ETADO", 20).Date("QVL:FECHA_OPERACION");
    for (int k = 1; k <= 12; ++k) b.Date("QVL:FECHA" + std::to_string(k));
    b.String("QVL:AC", 10).String("QVL:AM", 10).Long("QVL:TOTALFALTAS").Long("QVL:ASISTENCIAS")
        .Long("QVL:PORCENTAJE").Long("QVL:COD_CURSO").String("QVL:INGRESO", 10).String("QVL:OPERADOR", 20);
    for (int k = 1; k <= 15; ++k) b.String("QVL:OBSERVACION" + std::to_string(k), 255);
    b.Long("QVL:PROMEDIAEN").Short("QVL:CANTIDAD");
    b.Key("QVL:CLAVE_PRIMARIA", kPrimaryUnique, {"QVL:NRO_REGISTRO"})
        .Key("QVL:CLAVE_LEGAGO", kDups, {"QVL:NRO_LEGAJO", "QVL:NRO_ORDEN", "QVL:COD_MATERIA"})
        .Key("QVL:CLAVE_MATERIA", kDups, {"QVL:COD_MATERIA"})
        .Key("QVL:CLAVE_ALFA_MATERIAS", kDups, {"QVL:MATERIAS", "QVL:COD_MATERIA"})
        .Key("QVL:CLAVE_MATERIA_ORDEN_LEGAJO", kDups, {"QVL:COD_MATERIA", "QVL:NRO_REGISTRO", "QVL:NRO_LEGAJO"})
        .Key("QVL:CLAVE_MATERIA_LEGAJOS", kDupsNoCase, {"QVL:COD_MATERIA", "QVL:NRO_LEGAJO"})
        .Key("QVL:CLAVE_MATERIA_SEXO_ALUMNO", kDups, {"QVL:COD_MATERIA", "QVL:SEXO", "QVL:ALUMNO"})
        .Key("QVL:CLAVE_MATERIA_SEXO_ALUMNO2", kDupsNoCase, {"QVL:COD_MATERIA", "-QVL:SEXO", "QVL:ALUMNO"})
        .Key("QVL:CLAVE_CODMATERIA_ALUALFA", kDups, {"QVL:COD_MATERIA", "QVL:ALUMNO"})
        // The only key that keeps all-zero entries: every row appears in the ranking.
        .Key("QVL:CLAVE_RENDIMIENTO_ACADEMICO", rt::kKeyDuplicates | rt::kKeyNoCase,
             {"-QVL:EVALUACION_ANUAL", "-QVL:FINALETAPAIII", "-QVL:FINALETAPAII", "-QVL:FINALETAPAI"})
        .Key("QVL:CLAVE_PROMEDIAEN_LEGAJO", kDupsNoCase, {"QVL:PROMEDIAEN", "QVL:NRO_LEGAJO"})
        .Key("QVL:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", kDupsNoCase,
             {"QVL:NRO_LEGAJO", "QVL:ETADO", "QVL:NRO_ORDEN", "QVL:COD_MATERIA"});
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
