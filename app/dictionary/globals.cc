#include "app/dictionary/globals.h"

#include <thread>

namespace app {

// Definition order is construction order: the teacher's name is blanked,
// then the matcher, the error manager and the settings store are made.
// They are destroyed in the reverse order at process end.
std::string AUXILIAR_DOCENTE(kAuxiliarDocenteChars, ' ');
FuzzyClass FuzzyMatcher;
fw::ErrorClass GlobalErrors;
SettingsStore INIMgr;
int32_t lCurrentFDSetting = 0;
int32_t lAdjFDSetting = 0;

namespace {
// Static initialisation runs on the thread that starts the process.
const std::thread::id kMainThread = std::this_thread::get_id();
}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == kMainThread; }

void SetAuxiliarDocente(std::string_view name) {
  AUXILIAR_DOCENTE.assign(name.substr(0, kAuxiliarDocenteChars));
  AUXILIAR_DOCENTE.resize(kAuxiliarDocenteChars, ' ');
}

fw::ErrorStatusClass& GlobalErrorStatus() { return fw::ThreadErrorStatus(); }
thread_local uint8_t GlobalRequest = 0;
thread_local uint8_t GlobalResponse = 0;
thread_local int32_t VCRRequest = 0;

thread_local fw::FileManager* Access_QVSEGUIR = nullptr;
thread_local fw::FileManager* Access_QVALUAP = nullptr;
thread_local fw::FileManager* Access_QVMATERIAS = nullptr;
thread_local fw::FileManager* Access_QVAPRENDE = nullptr;
thread_local fw::FileManager* Access_QVLIBRETA = nullptr;
thread_local fw::RelationManager* Relate_QVSEGUIR = nullptr;
thread_local fw::RelationManager* Relate_QVALUAP = nullptr;
thread_local fw::RelationManager* Relate_QVMATERIAS = nullptr;
thread_local fw::RelationManager* Relate_QVAPRENDE = nullptr;
thread_local fw::RelationManager* Relate_QVLIBRETA = nullptr;

}  // namespace app
