#include "runtime/core/file_driver.h"

#include <cctype>
#include <map>
#include <mutex>
#include <string>

namespace rt {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, DriverEntry> drivers;  // by upper-case name
};

Registry& registry() {
  static Registry* r = new Registry;  // outlives every static that closes files
  return *r;
}

std::string upper(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void registerDriver(std::string_view name, DriverEntry entry) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (entry) {
    r.drivers[upper(name)] = std::move(entry);
  } else {
    r.drivers.erase(upper(name));
  }
}

DriverEntry findDriver(std::string_view name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.drivers.find(upper(name));
  return it == r.drivers.end() ? DriverEntry() : it->second;
}

}  // namespace rt
