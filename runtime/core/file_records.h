// Runtime operations on single records: add, get, put, delete, holds and
// watches, duplicate checks, counts. See file_access.h for how every
// operation dispatches and reports. Keys are 0-based indexes into the
// file's declared keys.
#pragma once

#include <cstdint>

#include "runtime/core/file_control.h"

namespace rt {

int32_t Add(FileControlBlock& file);
int32_t Add(FileControlBlock& file, int32_t length);
int32_t Append(FileControlBlock& file);
int32_t Append(FileControlBlock& file, int32_t length);

int32_t Get(FileControlBlock& file, int key);                 // GETfilekey
int32_t GetById(FileControlBlock& file, uint32_t id);         // GETfileptr
int32_t GetById(FileControlBlock& file, int key, uint32_t id, int32_t length = 0);  // GETkeyptr

int32_t Put(FileControlBlock& file);
int32_t PutById(FileControlBlock& file, uint32_t id);         // PUTfileptr
int32_t Delete(FileControlBlock& file);

int32_t Hold(FileControlBlock& file);                         // HOLDfile
int32_t Hold(FileControlBlock& file, int32_t seconds);        // HOLDfilesec
int32_t Release(FileControlBlock& file);
int32_t Watch(FileControlBlock& file);
int32_t NoMemo(FileControlBlock& file);

// Whether the buffer would duplicate an entry of any unique key (or of `key`).
bool Duplicate(FileControlBlock& file);
bool Duplicate(FileControlBlock& file, int key);

int64_t Records(FileControlBlock& file);           // RECORDSfile
int64_t Records(FileControlBlock& file, int key);  // RECORDSkey

uint32_t Pointer(FileControlBlock& file);           // POINTERfile
uint32_t Pointer(FileControlBlock& file, int key);  // POINTERkey

}  // namespace rt
