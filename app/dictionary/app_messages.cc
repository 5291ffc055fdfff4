#include "app/dictionary/app_messages.h"

namespace app {

// Message texts are UTF-8, as the message boxes show them.
void AddAppMessages(fw::ErrorClass& errors) {
  errors.AddError(Msg_SettingsNotSaved,
                  "No se pudo escribir el archivo de configuración %File.|"
                  "La posición de las ventanas no se guardará mientras no se pueda escribir.",
                  "Configuración no guardada", fw::Level::Notify);
  errors.AddError(Msg_WindowNotAvailable,
                  "La ventana \"%Message\" todavía no está disponible en esta versión del programa.",
                  "Ventana no disponible", fw::Level::Notify);
  errors.AddError(Msg_GradeHistoryNotWritten,
                  "No se pudo usar el historial de cambios de notas (%Message).|"
                  "Las notas se guardan igual, sin su historial, hasta que el archivo vuelva a poder "
                  "escribirse: revise que no esté dañado ni protegido contra escritura, o muévalo a otra "
                  "carpeta y el programa creará uno nuevo. El historial marcará las filas guardadas sin él.",
                  "Historial de notas", fw::Level::Notify);
  errors.AddError(Msg_GradeRefused,
                  "La nota \"%Message\" no es válida: escriba un número entero de 0 a 10 (0: sin nota).|"
                  "No se guardó nada.",
                  "Nota no válida", fw::Level::Notify);
}

}  // namespace app
