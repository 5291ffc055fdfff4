// Fonts that window definitions name but Linux usually lacks, mapped to
// families with the same metrics where one is installed (Carlito for
// Calibri, Liberation for Arial, Courier New, Times New Roman), to close
// look-alikes otherwise, and last to the generic monospace or sans family.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace ui {

// installed(family) tells whether a family is available.
std::string mapFontFamily(const std::string& name,
                          const std::function<bool(const std::string&)>& installed);

// True for families that should fall back to a fixed-pitch font.
bool isMonospaceName(const std::string& name);

// The design metrics of a font the program's windows name, in ems of its
// size: the average width of the 52 letters A-Z, a-z and the ascent and
// descent of a text line, which dialog units are measured from. A window
// whose font is missing keeps the size it was designed for by taking its
// dialog units from these, not from the font drawn in its place.
struct FontDesign {
  double averageEm = 0;
  double ascentEm = 0;
  double descentEm = 0;
};
// The table's metrics of `name` (case ignored): Consolas, Calibri, MS Sans
// Serif; nothing for a font it does not list.
std::optional<FontDesign> fontDesign(const std::string& name);

// True when `family` draws `name` with the same metrics: the font itself or
// its metric-compatible twin (Carlito for Calibri, Liberation for Arial,
// Courier New and Times New Roman).
bool metricCompatible(const std::string& name, const std::string& family);

// Dialog units in pixels of a font with `design` metrics at `pixelsPerEm`,
// rounded as Windows rounds them: a quarter of the letters' average width
// and an eighth of the line height, each in whole pixels.
struct DialogUnits {
  double x = 0;
  double y = 0;
};
DialogUnits dialogUnits(const FontDesign& design, double pixelsPerEm);

}  // namespace ui
