// The program's global objects. Process-wide ones are shared by all
// threads; the per-thread ones exist once per thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/dictionary/fuzzy_class.h"
#include "app/dictionary/settings_store.h"
#include "framework/data/error_class.h"
#include "framework/data/error_status.h"
#include "framework/data/file_manager.h"
#include "framework/data/ini_class.h"
#include "framework/data/relation_manager.h"

namespace app {

// --- Process-wide, constructed in this order when the process starts.
inline constexpr size_t kAuxiliarDocenteChars = 80;
extern std::string AUXILIAR_DOCENTE;  // the signed-in teacher, 80 characters, space-padded
extern FuzzyClass FuzzyMatcher;
extern fw::ErrorClass GlobalErrors;
extern SettingsStore INIMgr;  // on "QVAPP.INI"
extern int32_t lCurrentFDSetting;  // the full-window-drag setting as read at start
extern int32_t lAdjFDSetting;      // data argument when switching it

// Sets AUXILIAR_DOCENTE to `name`, cut or padded to 80 characters.
void SetAuxiliarDocente(std::string_view name);

// --- Per thread.
fw::ErrorStatusClass& GlobalErrorStatus();  // the calling thread's error status
extern thread_local uint8_t GlobalRequest;
extern thread_local uint8_t GlobalResponse;
extern thread_local int32_t VCRRequest;

// References to the thread's managers of each file: set by the managers'
// own Init (Access_) and by DctInit (Relate_); empty outside DctInit..DctKill.
extern thread_local fw::FileManager* Access_QVSEGUIR;
extern thread_local fw::FileManager* Access_QVALUAP;
extern thread_local fw::FileManager* Access_QVMATERIAS;
extern thread_local fw::FileManager* Access_QVAPRENDE;
extern thread_local fw::FileManager* Access_QVLIBRETA;
extern thread_local fw::RelationManager* Relate_QVSEGUIR;
extern thread_local fw::RelationManager* Relate_QVALUAP;
extern thread_local fw::RelationManager* Relate_QVMATERIAS;
extern thread_local fw::RelationManager* Relate_QVAPRENDE;
extern thread_local fw::RelationManager* Relate_QVLIBRETA;

// Whether the calling thread is the one that started the process.
bool IsMainThread();

}  // namespace app
