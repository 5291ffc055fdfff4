#include "runtime/kestrel/os/fault_injection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace kestrel::fault {

namespace {

// One change of a file not yet made durable: a write (or a truncation,
// which writes nothing) with what it replaced.
struct Pending {
  bool truncate = false;
  uint64_t offset = 0;  // a truncation: the new length
  std::string bytes;    // written
  uint64_t old_size = 0;
  std::string old_bytes;  // the bytes from offset that the change replaced or cut
};

std::mutex mu;
Plan plan;
int64_t writes = 0;
int64_t flushes = 0;
bool stopped = false;
std::map<std::string, std::vector<Pending>> pending;  // by path
std::map<std::string, std::string> created;           // new file -> its directory
std::function<void(const std::string&, uint64_t)> read_hook;
std::atomic<bool> read_hook_set{false};

bool Count(bool is_write, bool* fail, bool* skip = nullptr) {
  int64_t* counter = is_write ? &writes : &flushes;
  int64_t fail_at = is_write ? plan.fail_write : plan.fail_flush;
  int64_t index = writes + flushes;
  int64_t own = (*counter)++;
  *fail = false;
  if (plan.stop_from >= 0 && index >= plan.stop_from) stopped = true;
  if (stopped) return true;
  if (own == fail_at) *fail = true;
  if (skip) *skip = !is_write && own == plan.skip_flush;
  return false;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Bytes [offset, offset + n) of the file as far as it holds them.
std::string ReadSpan(int fd, uint64_t offset, uint64_t n) {
  std::string out(n, '\0');
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd, out.data() + done, n - done, static_cast<off_t>(offset + done));
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  out.resize(done);
  return out;
}

uint64_t SizeOf(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

void WriteAll(int fd, uint64_t offset, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (w <= 0) return;
    done += static_cast<size_t>(w);
  }
}

void NoteLocked(int fd, const std::string& path, Pending p) {
  p.old_size = SizeOf(fd);
  const uint64_t end = p.truncate ? p.old_size : p.offset + p.bytes.size();
  if (p.offset < p.old_size && end > p.offset) p.old_bytes = ReadSpan(fd, p.offset, std::min(end, p.old_size) - p.offset);
  pending[path].push_back(std::move(p));
}

// Rewrites one file as the disk holds it after the power loss.
void Settle(const std::string& path, const std::vector<Pending>& changes, std::mt19937& rng, Fate fate) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  // Back to the state of the last flush: undo the changes, last first.
  for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
    if (::ftruncate(fd, static_cast<off_t>(it->old_size)) != 0) break;
    WriteAll(fd, it->offset, it->old_bytes);
  }
  // Then what survives, in order.
  for (const Pending& c : changes) {
    const uint32_t roll = fate == Fate::kDropAll ? 0 : rng() % 3;
    if (roll == 0) continue;  // lost
    if (c.truncate) {
      if (::ftruncate(fd, static_cast<off_t>(c.offset)) != 0) break;
      continue;
    }
    size_t from = 0, keep = c.bytes.size();
    const uint64_t end = c.offset + c.bytes.size();
    if (roll == 2) {
      // Torn at a 512-byte boundary inside the write: the sectors before it
      // made it, or (a disk writes sectors in any order) those after it.
      // Some file systems record the new length before the data: then what
      // did not make it beyond the old end reads as zeros.
      const uint64_t first = (c.offset / 512 + 1) * 512;
      if (first < end) {
        const uint64_t cuts = (end - first + 511) / 512;
        const size_t cut = static_cast<size_t>(first + 512 * (rng() % cuts) - c.offset);
        if (rng() % 2) {
          keep = cut;
        } else {
          from = cut;
        }
      }
      if (rng() % 2 && SizeOf(fd) < end && ::ftruncate(fd, static_cast<off_t>(end)) != 0) break;
    }
    WriteAll(fd, c.offset + from, std::string_view(c.bytes).substr(from, keep - from));
  }
  ::close(fd);
}

}  // namespace

void Arm(const Plan& p) {
  std::lock_guard<std::mutex> lock(mu);
  plan = p;
  writes = flushes = 0;
  stopped = false;
  pending.clear();
  created.clear();
  recording = p.power_loss;
}

void Disarm() { Arm(Plan{}); }

int64_t OperationsSeen() {
  std::lock_guard<std::mutex> lock(mu);
  return writes + flushes;
}

int64_t FlushesSeen() {
  std::lock_guard<std::mutex> lock(mu);
  return flushes;
}

void PowerLoss(uint32_t seed, Fate fate) {
  std::mt19937 rng(seed);
  {
    std::lock_guard<std::mutex> lock(mu);
    for (const auto& [path, dir] : created) {
      if (fate == Fate::kDropAll || rng() % 2 == 0) {
        ::unlink(path.c_str());
        pending.erase(path);
      }
    }
    for (const auto& [path, changes] : pending) Settle(path, changes, rng, fate);
  }
  Disarm();
}

void SetReadHook(std::function<void(const std::string& path, uint64_t offset)> hook) {
  std::lock_guard<std::mutex> lock(mu);
  read_hook = std::move(hook);
  read_hook_set = static_cast<bool>(read_hook);
}

bool OnWrite(bool* fail) {
  std::lock_guard<std::mutex> lock(mu);
  return Count(true, fail);
}

bool OnFlush(const std::string& path, bool* fail) {
  std::unique_lock<std::mutex> lock(mu);
  if (plan.flush_delay_us > 0 && !stopped) {
    const int64_t delay = plan.flush_delay_us;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    lock.lock();
  }
  bool skip = false;
  if (Count(false, fail, &skip)) return true;
  if (skip || plan.no_flushes) return true;
  if (!*fail && recording) {
    // The model decides what is durable: the disk itself need not be asked.
    // `path` is a file, or a directory whose new entries now stay.
    pending.erase(path);
    for (auto it = created.begin(); it != created.end();) it = it->second == path ? created.erase(it) : std::next(it);
    return true;
  }
  return false;
}

bool NetworkFileSystems() {
  std::lock_guard<std::mutex> lock(mu);
  return plan.network_fs;
}

bool Stopped() {
  std::lock_guard<std::mutex> lock(mu);
  return stopped;
}

void NoteWrite(int fd, const std::string& path, uint64_t offset, const void* data, size_t n) {
  if (!recording) return;
  std::lock_guard<std::mutex> lock(mu);
  Pending p;
  p.offset = offset;
  p.bytes.assign(static_cast<const char*>(data), n);
  NoteLocked(fd, path, std::move(p));
}

void NoteTruncate(int fd, const std::string& path, uint64_t length) {
  if (!recording) return;
  std::lock_guard<std::mutex> lock(mu);
  Pending p;
  p.truncate = true;
  p.offset = length;
  NoteLocked(fd, path, std::move(p));
}

void NoteCreate(const std::string& path) {
  if (!recording) return;
  std::lock_guard<std::mutex> lock(mu);
  created[path] = DirectoryOf(path);
}

void NoteDirectoryFlush(const std::string& path) {
  if (!recording) return;
  std::lock_guard<std::mutex> lock(mu);
  const std::string dir = DirectoryOf(path);
  for (auto it = created.begin(); it != created.end();) it = it->second == dir ? created.erase(it) : std::next(it);
}

void AfterRead(const std::string& path, uint64_t offset) {
  if (!read_hook_set) return;
  std::function<void(const std::string&, uint64_t)> hook;
  {
    std::lock_guard<std::mutex> lock(mu);
    hook = read_hook;
  }
  if (hook) hook(path, offset);
}

}  // namespace kestrel::fault
