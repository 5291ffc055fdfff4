// Small helpers that keep the sheets' report definitions readable: one call
// per item of a band, positions in millimetres relative to the band.
#pragma once

#include <initializer_list>
#include <string>

#include "runtime/ui/property_ids.h"
#include "runtime/ui/report/report_def.h"

namespace app::sheets {

inline constexpr long long kGrey = ui::rgb(128, 128, 128);

inline ui::ReportFont Bold(double size = 0) { return ui::ReportFont{"", size, true, false}; }

inline void AddText(ui::ReportBand& band, std::string text, double x, double y, ui::ReportFont font = {}) {
  ui::ReportItem i;
  i.kind = ui::RItem_Text;
  i.text = std::move(text);
  i.x = x, i.y = y;
  i.font = std::move(font);
  band.items.push_back(std::move(i));
}

// A variable field: `label` is the field's label without the leading "?".
inline ui::ReportItem& AddField(ui::ReportBand& band, const std::string& label, std::string picture, double x,
                                double y, double width = 0, double height = 0, ui::ReportFont font = {}) {
  ui::ReportItem i;
  i.kind = ui::RItem_Field;
  i.label = "?" + label;
  i.text = std::move(picture);
  i.x = x, i.y = y, i.width = width, i.height = height;
  i.font = std::move(font);
  band.items.push_back(std::move(i));
  return band.items.back();
}

// A box whose border and fill are both `colour`.
inline void AddBox(ui::ReportBand& band, double x, double y, double width, double height, long long colour) {
  ui::ReportItem i;
  i.kind = ui::RItem_Box;
  i.x = x, i.y = y, i.width = width, i.height = height;
  i.color = colour;
  i.fill = colour;
  band.items.push_back(std::move(i));
}

// A grey horizontal rule `width` long.
inline void AddRule(ui::ReportBand& band, double x, double y, double width) {
  ui::ReportItem i;
  i.kind = ui::RItem_Line;
  i.x = x, i.y = y, i.width = width;
  i.color = kGrey;
  band.items.push_back(std::move(i));
}

// Grey vertical separators at each x, from y down `height`.
inline void AddSeparators(ui::ReportBand& band, std::initializer_list<double> xs, double y, double height) {
  for (double x : xs) {
    ui::ReportItem i;
    i.kind = ui::RItem_Line;
    i.x = x, i.y = y, i.height = height;
    i.color = kGrey;
    band.items.push_back(std::move(i));
  }
}

}  // namespace app::sheets
