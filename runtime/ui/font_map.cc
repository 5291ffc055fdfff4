#include "runtime/ui/font_map.h"

#include <vector>

namespace ui {

namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

struct Mapping {
  const char* name;
  std::vector<const char*> candidates;
};

const std::vector<Mapping>& mappings() {
  static const std::vector<Mapping> m = {
      {"consolas", {"Consolas", "Inconsolata", "DejaVu Sans Mono", "Liberation Mono"}},
      {"calibri", {"Calibri", "Carlito", "Liberation Sans", "DejaVu Sans"}},
      {"arial", {"Arial", "Liberation Sans", "DejaVu Sans"}},
      {"ms sans serif", {"Liberation Sans", "DejaVu Sans"}},
      {"microsoft sans serif", {"Liberation Sans", "DejaVu Sans"}},
      {"tahoma", {"Tahoma", "DejaVu Sans", "Liberation Sans"}},
      {"courier new", {"Courier New", "Liberation Mono", "DejaVu Sans Mono"}},
      {"times new roman", {"Times New Roman", "Liberation Serif", "DejaVu Serif"}},
  };
  return m;
}

}  // namespace

bool isMonospaceName(const std::string& name) {
  std::string n = lower(name);
  return n == "consolas" || n == "courier new" || n == "courier" ||
         n.find("mono") != std::string::npos;
}

std::string mapFontFamily(const std::string& name,
                          const std::function<bool(const std::string&)>& installed) {
  std::string n = lower(name);
  for (const Mapping& m : mappings()) {
    if (n != m.name) continue;
    for (const char* c : m.candidates)
      if (installed(c)) return c;
    break;
  }
  if (!name.empty() && installed(name)) return name;
  return isMonospaceName(name) ? "monospace" : "sans-serif";
}

}  // namespace ui
