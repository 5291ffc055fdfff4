#include "app/dictionary/decl_internal.h"
#include "app/dictionary/file_decls.h"

namespace app {

using namespace internal;

const rt::FileDeclPtr& QVMATERIASDecl() {
  static const rt::FileDeclPtr decl = [] {
    rt::FileDeclBuilder b("QVMATERIAS", "QVM", "QVMaterias.KRL");
    b.Long("QVM:NRO_REGISTRO").Short("QVM:NRO_ORDEN").String("QVM:MATERIA", 60)
        .String("QVM:BILINGUE_MATERIA", 50).String("QVM:TIPO", 10).String("QVM:TIPO_LENGUAJE", 10)
        .Long("QVM:COD_PROFESOR").String("QVM:PROFESOR", 50).Long("QVM:COD_CURSO").String("QVM:SEXO", 20)
        .Decimal("QVM:HORAS", 3, 2).String("QVM:SINPROMEDIO", 4).String("QVM:PROMEDIOGRAL", 4)
        .String("QVM:VINCULANTE", 4).String("QVM:CONTENIDOSACTITUDINALES", 2).String("QVM:INTEGRADORA", 2)
        .String("QVM:MATERIASCORRELATIVAS", 120).Long("QVM:PROMEDIAEN").Short("QVM:CANTIDADMATEPROM")
        .String("QVM:CICLO", 30).Short("QVM:CURSO").String("QVM:DIVISION", 4).String("QVM:ESPECIALIDAD", 40)
        .String("QVM:TURNO", 20).String("QVM:MAIL_PEN_DRIVE", 60).Long("QVM:DNI_DOCENTE")
        .Date("QVM:QVP_FECHANAC");
    b.Memo("QVM:OBJETIVO", 4000);
    b.Key("QVM:CLAVE_PRINCIPAL", kDupsNoCase, {"QVM:NRO_REGISTRO"})
        .Key("QVM:CLAVE_CURSO", kDups, {"QVM:COD_CURSO"})
        .Key("QVM:CLAVE_PROFESOR", kDups, {"QVM:COD_PROFESOR", "QVM:MATERIA"})
        .Key("QVM:CLAVE_ALFA", kDups, {"QVM:MATERIA"})
        .Key("QVM:CLAVE_PROFESOR_CURSO", kDups, {"QVM:COD_PROFESOR", "QVM:COD_CURSO"})
        .Key("QVM:CLAVE_MATERIA_SEXO", kDups, {"QVM:MATERIA", "QVM:SEXO"})
        .Key("QVM:CLAVE_CURSO_ORDEN_CODIGO", kDupsNoCase, {"QVM:COD_CURSO", "QVM:NRO_ORDEN", "QVM:NRO_REGISTRO"})
        .Key("QVM:CLAVE_PROMEDIA", kDupsNoCase, {"QVM:PROMEDIAEN", "QVM:NRO_REGISTRO"})
        .Key("QVM:CLAVE_CURSO_MATERIA", kDupsNoCase, {"QVM:COD_CURSO", "QVM:MATERIA"})
        .Key("QVM:CLAVE_CODMATERIA_CODPROFESOR", kDups, {"QVM:NRO_REGISTRO", "QVM:COD_PROFESOR"})
        .Key("QVM:CLAVE_DNI_PROFESOR", kDupsNoCase, {"QVM:DNI_DOCENTE"});
    return BuildOrDie(b);
  }();
  return decl;
}

}  // namespace app
