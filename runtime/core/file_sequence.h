// Sequential access: where the next Next or Previous starts (the Set
// family), reading in sequence, positions, and the view bracket. See
// file_access.h for how every operation dispatches and reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/file_control.h"

namespace rt {

int32_t SetFile(FileControlBlock& file);                           // 41: record-id order
int32_t SetFileKey(FileControlBlock& file, int key);               // 42: from the record the key locates
int32_t SetFilePtr(FileControlBlock& file, uint32_t id);           // 43: record-id order from id
int32_t SetKey(FileControlBlock& file, int key);                   // 44: key order from the start
int32_t SetKeyKey(FileControlBlock& file, int key);                // 45: key order from the buffer's value
int32_t SetKeyPtr(FileControlBlock& file, int key, uint32_t id);   // 46: key order from the record id
int32_t SetKeyKeyPtr(FileControlBlock& file, int key, uint32_t id);  // 47: key value and id

int32_t Next(FileControlBlock& file);
int32_t Previous(FileControlBlock& file);
int32_t Skip(FileControlBlock& file, int32_t count);
bool Bof(FileControlBlock& file);
bool Eof(FileControlBlock& file);

// Position (61, 62): a text that identifies the current record in record-id
// order, or in the order of `key`; "" on failure.
std::string Position(FileControlBlock& file);
std::string Position(FileControlBlock& file, int key);
// Reset (63, 64): re-establish the sequence at a position.
int32_t Reset(FileControlBlock& file, std::string_view position);
int32_t Reset(FileControlBlock& file, int key, std::string_view position);
// Reget (66, 67): read the record at a position.
int32_t Reget(FileControlBlock& file, std::string_view position);
int32_t Reget(FileControlBlock& file, int key, std::string_view position);

// The reads of a view are bracketed by these (92, 93).
int32_t InView(FileControlBlock& file);
int32_t EndView(FileControlBlock& file);

}  // namespace rt
