// Fonts that window definitions name but Linux usually lacks, mapped to
// families with the same metrics where one is installed (Carlito for
// Calibri, Liberation for Arial, Courier New, Times New Roman), to close
// look-alikes otherwise, and last to the generic monospace or sans family.
#pragma once

#include <functional>
#include <string>

namespace ui {

// installed(family) tells whether a family is available.
std::string mapFontFamily(const std::string& name,
                          const std::function<bool(const std::string&)>& installed);

// True for families that should fall back to a fixed-pitch font.
bool isMonospaceName(const std::string& name);

}  // namespace ui
