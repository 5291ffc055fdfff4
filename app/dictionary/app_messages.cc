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
}

}  // namespace app
