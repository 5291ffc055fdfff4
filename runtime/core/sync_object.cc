#include "runtime/core/sync_object.h"

#include <mutex>

namespace rt {

namespace {
class RecursiveSection final : public ISyncObject {
 public:
  void Wait() override { mutex_.lock(); }
  void Release() override { mutex_.unlock(); }
  void Kill() override { delete this; }

 private:
  std::recursive_mutex mutex_;
};
}  // namespace

ISyncObject* createCriticalSection() { return new RecursiveSection; }

}  // namespace rt
