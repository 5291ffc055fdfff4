#include "runtime/kestrel/driver/file_log.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace kestrel {

namespace {

std::mutex mu;
std::shared_ptr<FileLogSink> sink;
std::atomic<bool> on{false};

}  // namespace

void SetFileLog(FileLogSink s) {
  std::lock_guard<std::mutex> lock(mu);
  sink = s ? std::make_shared<FileLogSink>(std::move(s)) : nullptr;
  on = static_cast<bool>(sink);
}

bool FileLogging() { return on; }

void FileLog(const std::string& line) {
  if (!on) return;
  std::shared_ptr<FileLogSink> s;
  {
    std::lock_guard<std::mutex> lock(mu);
    s = sink;
  }
  if (s) (*s)(line);
}

}  // namespace kestrel
