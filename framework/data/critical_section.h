// Scoped use of the runtime's re-entrant locks.
//
//   CriticalSection lock;             // owns a lock
//   {
//     CriticalProcedure cp;
//     cp.Init(lock.GetIface());       // held until cp goes out of scope or Kill()
//     ...
//   }
#pragma once

#include "runtime/core/sync_object.h"

namespace fw {

class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  rt::ISyncObject* GetIface() const { return CS; }

  rt::ISyncObject* CS;
};

class CriticalProcedure {
 public:
  CriticalProcedure() = default;
  explicit CriticalProcedure(rt::ISyncObject* sync) { Init(sync); }
  ~CriticalProcedure() { Kill(); }
  CriticalProcedure(const CriticalProcedure&) = delete;
  CriticalProcedure& operator=(const CriticalProcedure&) = delete;

  // Releases a lock held before, then enters `sync` (when given) and keeps it.
  void Init(rt::ISyncObject* sync);
  void Kill();

  rt::ISyncObject* Sync = nullptr;
};

}  // namespace fw
