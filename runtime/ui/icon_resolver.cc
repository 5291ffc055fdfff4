#include "runtime/ui/icon_resolver.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace ui {

namespace fs = std::filesystem;

namespace {

std::mutex folderMutex;
std::string& folderSetting() {
  static std::string folder;
  return folder;
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// The part after the last "\" or "/".
std::string fileNameOf(const std::string& path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

bool isFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

constexpr const char* kBuiltins[] = {"OK04",   "SALIR",  "IMPPREV", "Biblioteca", "AGREGAR",
                                     "EDITAR", "BORRAR", "Aceptar", "No01"};

}  // namespace

void setIconFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(folderMutex);
  folderSetting() = folder;
}

std::string iconFolder() {
  {
    std::lock_guard<std::mutex> lock(folderMutex);
    if (!folderSetting().empty()) return folderSetting();
  }
  if (const char* env = std::getenv("QV_ICON_DIR"); env && *env) return env;
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return (cwd / "ICONOS").string();
}

std::string builtinIconName(const std::string& name) {
  std::string stem = lower(fileNameOf(name));
  if (size_t dot = stem.rfind('.'); dot != std::string::npos) stem.resize(dot);
  for (const char* b : kBuiltins)
    if (lower(b) == stem) return b;
  return {};
}

IconRef resolveIcon(const std::string& rawName) {
  IconRef ref;
  std::string name = rawName;
  if (!name.empty() && name[0] == '~') name.erase(0, 1);
  if (name.empty()) return ref;
  // Windows paths are tried literally and with forward slashes.
  std::string slashed = name;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  for (const std::string& candidate : {name, slashed}) {
    if (isFile(candidate)) {
      ref.kind = IconRef::File;
      ref.path = candidate;
      return ref;
    }
  }
  std::string wanted = lower(fileNameOf(name));
  std::error_code ec;
  fs::directory_iterator it(iconFolder(), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (lower(it->path().filename().string()) == wanted && isFile(it->path())) {
      ref.kind = IconRef::File;
      ref.path = it->path().string();
      return ref;
    }
  }
  ref.builtin = builtinIconName(name);
  if (!ref.builtin.empty()) ref.kind = IconRef::BuiltIn;
  return ref;
}

}  // namespace ui
