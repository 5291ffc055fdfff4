#include "runtime/ui/font_map.h"

#include <algorithm>
#include <cmath>
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

struct Design {
  const char* name;
  FontDesign metrics;
};

// Consolas: units of its 2048-unit em (advance 1126, Windows ascent 1884
// and descent 514). Calibri: Carlito's, which are Calibri's (average 1029.5,
// ascent 1950, descent 550). MS Sans Serif: a bitmap font, from its 8-point
// face at 96 dpi (letters 5.6 px on average, ascent 11 px, descent 2 px of
// a 10.67-pixel em), the classic 6 x 13 dialog base units.
const std::vector<Design>& designs() {
  static const std::vector<Design> d = {
      {"consolas", {1126.0 / 2048, 1884.0 / 2048, 514.0 / 2048}},
      {"calibri", {1029.5 / 2048, 1950.0 / 2048, 550.0 / 2048}},
      {"ms sans serif", {5.6 / (8 * 96.0 / 72), 11 / (8 * 96.0 / 72), 2 / (8 * 96.0 / 72)}},
  };
  return d;
}

const char* twinOf(const std::string& lowered) {
  static const std::vector<std::pair<const char*, const char*>> twins = {
      {"calibri", "Carlito"},
      {"arial", "Liberation Sans"},
      {"courier new", "Liberation Mono"},
      {"times new roman", "Liberation Serif"},
  };
  for (const auto& [n, t] : twins)
    if (lowered == n) return t;
  return nullptr;
}

}  // namespace

std::optional<FontDesign> fontDesign(const std::string& name) {
  const std::string n = lower(name);
  for (const Design& d : designs())
    if (n == d.name) return d.metrics;
  return std::nullopt;
}

bool metricCompatible(const std::string& name, const std::string& family) {
  const std::string n = lower(name), f = lower(family);
  if (n == f) return true;
  const char* twin = twinOf(n);
  return twin && lower(twin) == f;
}

DialogUnits dialogUnits(const FontDesign& design, double pixelsPerEm) {
  const double average = std::max(1.0, std::round(design.averageEm * pixelsPerEm));
  const double height =
      std::max(1.0, std::round(design.ascentEm * pixelsPerEm) + std::round(design.descentEm * pixelsPerEm));
  return DialogUnits{average / 4, height / 8};
}

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
