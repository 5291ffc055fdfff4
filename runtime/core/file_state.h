// Saved file states: the record buffer, the memos and the driver's
// position, kept under a handle until restored or freed. See file_access.h
// for how every operation dispatches and reports.
#pragma once

#include <cstdint>

#include "runtime/core/file_control.h"

namespace rt {

// GETSTATE: a handle above 0, or 0 on failure. The handle belongs to this
// control block.
int64_t GetState(FileControlBlock& file);
// RESTORESTATE: puts the buffers and the driver's position back; the handle
// stays valid. An unknown handle fails with 78 ("Invalid Number Of
// Parameters") without calling the driver.
int32_t RestoreState(FileControlBlock& file, int64_t handle);
// FREESTATE: the handle is gone afterwards.
int32_t FreeState(FileControlBlock& file, int64_t handle);

// Handles not yet freed (for leak checks).
size_t savedStateCount(const FileControlBlock& file);

}  // namespace rt
