// Reports defined as data. A report procedure builds one ReportDef; the
// engine (report.h) prints its bands into pages. All positions and sizes
// are in millimetres.
//
//   page form     the printable area; the paper is the smallest standard
//                 sheet (A4, Letter, Legal, A3, either way round) that holds
//                 its right and bottom edges: a form at 4, 4, 290, 200 is
//                 landscape A4
//   detail area   where detail bands go, one under the other; a band that
//                 does not fit under the previous ones starts a new page
//   page header   printed at its own position when a page starts
//   page footer   printed at its own position when a page ends
//   detail bands  numbered from 1 in definition order among all bands;
//                 Report::print(n) prints band n
//
// Items lie relative to their band: fixed texts, variable fields shown
// through a picture, boxes (border and fill colour) and lines. Colours are
// 0x00BBGGRR as in the window engine; Color_None is black text and border,
// no fill.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/property_ids.h"
#include "runtime/ui/window_def.h"

namespace ui {

class UseVar;

struct ReportFont {
  std::string name;   // empty: the report's
  double size = 0;    // points; 0: the report's
  bool bold = false;
  bool italic = false;
};

enum ReportItemKind : int {
  RItem_Text = 1,     // `text` as it stands
  RItem_Field = 2,    // the bound variable through the picture in `text`
  RItem_Box = 3,      // rectangle: `color` border, `fill` inside
  RItem_Line = 4,     // from (x, y) to (x + width, y + height)
  RItem_PageNo = 5,   // the page number through the picture in `text`
};

struct ReportItem {
  ReportItemKind kind = RItem_Text;
  std::string label;           // "?QVL:ALUMNO", for look-ups
  std::string text;            // caption, or picture of fields and page numbers
  double x = 0, y = 0;
  double width = 0;            // texts: 0 runs to the band's right edge
  double height = 0;           // texts: 0 is one line of the font
  ReportFont font;
  long long color = Color_None;
  long long fill = Color_None;
  char align = Align_Left;     // Align_Left, Align_Right, Align_Center
  bool wrap = false;           // texts: break into lines within the rectangle
  UseVar* use = nullptr;       // fields: the value shown
};

enum ReportBandKind : int { Band_Header = 1, Band_Footer = 2, Band_Detail = 3 };

struct ReportBand {
  ReportBandKind kind = Band_Detail;
  std::string label;
  // Headers and footers: the band's place on the page. Details: x is the
  // offset from the detail area's left edge; y is unused.
  double x = 0, y = 0, width = 0, height = 0;
  std::vector<ReportItem> items;
  // Details: room to keep free under the band for what follows it (a group
  // header with its first line); without it the band starts a new page.
  double withNext = 0;
};

struct ReportDef {
  std::string title;            // print job name
  std::string name;             // procedure name
  double formX = 0, formY = 0, formWidth = 190, formHeight = 277;
  double detailX = 0, detailY = 0, detailWidth = 190, detailHeight = 277;
  std::string fontName = "Calibri";
  double fontSize = 10;
  // Extended control attributes (property 31532): 1 when the report wants
  // its control attributes set as it runs.
  int attributes = 0;
  std::vector<ReportBand> bands;
};

}  // namespace ui
