// The follow-up window: the teacher's subjects, the grade book with grades
// typed in place, the contents follow-up. Main calls it after a successful
// sign-in, with the teacher's first subject record in the QVMATERIAS buffer
// and the teacher's name in AUXILIAR_DOCENTE.
#pragma once

namespace app {

void Ventana_Seguimiento_Notas();

}  // namespace app
