// The declarations of the application's five data files: record layouts,
// keys and memos. Each is built once, on first use, and shared by every
// thread's instance of the file.
#pragma once

#include <array>
#include <string_view>

#include "runtime/core/file_decl.h"

namespace app {

const rt::FileDeclPtr& QVSEGUIRDecl();    // follow-up of a content, per student
const rt::FileDeclPtr& QVALUAPDecl();     // students
const rt::FileDeclPtr& QVMATERIASDecl();  // subjects with their teachers
const rt::FileDeclPtr& QVAPRENDEDecl();   // prioritized contents of a subject
const rt::FileDeclPtr& QVLIBRETADecl();   // grade book: one record per student and subject

// The history of grade changes: one record per changed field of a saved
// grade-book row (see app/gradebook/grade_history.h). Not one of the five:
// made on first use, and a folder without it works as before.
const rt::FileDeclPtr& QVHISTORIADecl();

// All five, in the dictionary's order (QVLIBRETA first).
std::array<rt::FileDeclPtr, 5> AllFileDecls();

// The declaration whose label is `label` (any case), or null.
rt::FileDeclPtr FileDeclByLabel(std::string_view label);

}  // namespace app
