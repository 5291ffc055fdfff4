#include "framework/data/critical_section.h"

namespace fw {

CriticalSection::CriticalSection() : CS(rt::createCriticalSection()) {}

CriticalSection::~CriticalSection() { CS->Kill(); }

void CriticalProcedure::Init(rt::ISyncObject* sync) {
  Kill();
  if (sync) {
    sync->Wait();
    Sync = sync;
  }
}

void CriticalProcedure::Kill() {
  if (Sync) {
    Sync->Release();
    Sync = nullptr;
  }
}

}  // namespace fw
