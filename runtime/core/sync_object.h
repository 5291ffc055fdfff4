// The runtime's re-entrant lock: the same thread may enter again; every Wait
// is balanced by a Release.
#pragma once

#include <memory>

namespace rt {

class ISyncObject {
 public:
  virtual ~ISyncObject() = default;
  virtual void Wait() = 0;     // enter
  virtual void Release() = 0;  // leave
  virtual void Kill() = 0;     // destroy the object; it must not be used afterwards
};

// A new re-entrant critical section. Kill() deletes it.
ISyncObject* createCriticalSection();

}  // namespace rt
