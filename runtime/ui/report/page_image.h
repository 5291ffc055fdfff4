// One printed page as a vector drawing: texts, boxes and lines at positions
// in millimetres from the paper's top-left corner. The report engine lays
// pages out into this form, writes each to its own page file, and the
// renderers (preview, printer, PDF) paint the same file, so what the preview
// shows is what prints.
//
// Page file grammar (UTF-8 text, one element per line, fields separated by
// a tab; numbers in millimetres or points with a '.' decimal point):
//
//   QVPAGE 1 <width> <height>
//   T <x> <y> <w> <h> <colour> <align L|R|C> <wrap 0|1> <font> <size> <bold 0|1> <italic 0|1> <text>
//   B <x> <y> <w> <h> <border colour> <fill colour>
//   L <x1> <y1> <x2> <y2> <colour>
//
// Colours are 0x00BBGGRR decimal, -1 for none. In <text> a backslash
// escapes itself, a tab (\t) and a line break (\n).
#pragma once

#include <string>
#include <vector>

namespace ui {

struct PageOp {
  enum Kind : char { Text = 'T', Box = 'B', Line = 'L' };
  Kind kind = Text;
  double x = 0, y = 0, w = 0, h = 0;  // lines: from (x, y) to (x + w, y + h)
  long long color = -1;               // text, border or line; -1: black
  long long fill = -1;                // boxes; -1: none
  char align = 'L';
  bool wrap = false;
  std::string font;
  double size = 10;                   // points
  bool bold = false, italic = false;
  std::string text;                   // UTF-8
};

struct PageImage {
  double width = 210, height = 297;   // the paper, millimetres
  std::vector<PageOp> ops;            // in drawing order

  // The texts of the page in drawing order (tests and look-ups).
  std::vector<std::string> texts() const;
};

std::string encodePage(const PageImage& page);
// False (and *page untouched) when the text is not a page file.
bool decodePage(const std::string& text, PageImage* page);

bool writePageFile(const PageImage& page, const std::string& path);
bool readPageFile(const std::string& path, PageImage* page);
// The paper size a page file records, without reading its drawing.
bool readPageSize(const std::string& path, double* width, double* height);

}  // namespace ui
