// A driver for the runtime file layer's tests: records every call and
// answers from per-operation codes or a handler the test sets.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_ops.h"

namespace rt::testing {

struct RecordedCall {
  int32_t op;
  DriverArgs args;
  FileControlBlock* file;
};

class FakeDriver {
 public:
  explicit FakeDriver(std::string name = "FAKE") : name_(std::move(name)) {
    registerDriver(name_, [this](int32_t op, FileControlBlock& f, DriverArgs& a) { return entry(op, f, a); });
  }
  ~FakeDriver() { registerDriver(name_, {}); }

  std::map<int32_t, int32_t> codes;  // op -> error code to answer
  std::function<int32_t(int32_t, FileControlBlock&, DriverArgs&)> handler;  // answers when set
  int64_t identity = 1;

  std::vector<RecordedCall> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<int32_t> ops() {
    std::vector<int32_t> out;
    for (const RecordedCall& c : calls()) out.push_back(c.op);
    return out;
  }
  void forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
  }
  int destroyed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return destroyed_;
  }

 private:
  struct Data : DriverData {};

  int32_t entry(int32_t op, FileControlBlock& f, DriverArgs& a) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back({op, a, &f});
      if (op == Op_DESTROY) {
        ++destroyed_;
        f.driver_data.reset();
        return 0;
      }
    }
    if (!f.driver_data) f.driver_data = std::make_unique<Data>();
    if (op == Op_Internal91 && !codes.count(op)) a.value = identity;
    if (handler) return handler(op, f, a);
    auto it = codes.find(op);
    return it == codes.end() ? 0 : it->second;
  }

  std::string name_;
  std::mutex mutex_;
  std::vector<RecordedCall> calls_;
  int destroyed_ = 0;
};

// T: ID LONG, NAME STRING(10), GRADE DECIMAL(4 bytes, 2 places), BORN DATE;
// key K_ID on ID; memo NOTE of 20.
inline FileDeclPtr smallDecl(std::string driver = "FAKE", uint32_t attributes = kFileCreate | kFileThreaded) {
  FileDeclBuilder b("T", "T", "T.KRL", std::move(driver));
  b.Attributes(attributes)
      .Long("T:ID")
      .String("T:NAME", 10)
      .Decimal("T:GRADE", 4, 2)
      .Date("T:BORN")
      .Key("T:K_ID", kKeyPrimary, {"T:ID"})
      .Memo("T:NOTE", 20);
  return b.Build();
}

}  // namespace rt::testing
