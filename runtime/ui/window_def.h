// Windows and controls defined as data. A window procedure builds one
// WindowDef, the engine opens it; controls are numbered from 1 in creation
// order unless a definition gives a number of its own (toolbar buttons).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "runtime/ui/property_ids.h"

namespace ui {

// Runtime control types, as read through Prop_Type.
enum ControlType : int {
  Ctl_None = 0,
  Ctl_Text = 1,          // fixed text
  Ctl_Image = 2,
  Ctl_Line = 3,
  Ctl_Box = 4,
  Ctl_Prompt = 5,
  Ctl_VarText = 6,       // text that shows a variable through a picture
  Ctl_MultiLine = 7,     // multi-line text entry
  Ctl_Entry = 8,
  Ctl_Button = 9,
  Ctl_Check = 12,
  Ctl_Spin = 13,         // number entry with up and down arrows; range rangeLow..rangeHigh
  Ctl_Combo = 15,        // an entry with a drop-down list of rows to choose from
  Ctl_Progress = 16,
  Ctl_DropList = 17,
  Ctl_List = 18,
  Ctl_MenuItem = 20,     // an item of a menu (parent: the menu)
  Ctl_Menu = 21,         // a menu of the menu bar (parent 0) or a submenu (parent: a menu)
  Ctl_Sheet = 37,
  Ctl_Tab = 38,
};

constexpr int Auto = -1;  // a size that follows the content

enum Align : char { Align_Left = 'L', Align_Right = 'R', Align_Center = 'C', Align_Decimal = 'D' };

struct ListColumn {
  std::string header;
  int width = 40;                 // dialog units
  char align = Align_Left;
  char headerAlign = 0;           // 0: as the column
  std::string picture = "@s20";
  int field = 0;                  // field number in the row source; 0: the column's number
  long long color = Color_None;   // text colour
  long long background = Color_None;
  bool rightBorder = true;
  bool underline = true;
  bool resizable = false;
};

// A column by its header, width (dialog units), alignment, picture and
// background; the rest keeps its defaults, the field is the column's number.
inline ListColumn column(std::string header, int width, char align, std::string picture,
                         long long background = Color_None) {
  ListColumn c;
  c.header = std::move(header);
  c.width = width;
  c.align = align;
  c.picture = std::move(picture);
  c.background = background;
  return c;
}

struct ControlDef {
  ControlType type = Ctl_Text;
  int number = 0;                 // 0: next number in creation order
  std::string label;              // "?BUTTON3"; for messages and look-ups
  std::string text;               // caption; for entries and variable texts the picture
  int x = 0, y = 0, width = Auto, height = Auto;  // dialog units
  bool hidden = false;
  bool disabled = false;
  bool readOnly = false;
  bool isDefault = false;         // button pressed by Enter
  bool immediate = false;         // list: navigation keys post scroll events
  bool vscroll = false;           // list: vertical scroll bar
  std::string fontName;           // empty: the window's
  int fontSize = 0;               // points; 0: the window's
  bool bold = false;
  long long color = Color_None;
  long long background = Color_None;
  std::string icon;               // "C:\\ICONOS\\SALIR.ico"
  std::string tip;
  std::string accessibleName;     // what a screen reader calls it, when its caption or prompt does not say
  int parent = 0;                 // number of the tab (or sheet) that holds it
  std::vector<ListColumn> columns;
  int dropRows = 0;               // drop-down list: rows of the open list
  int rangeLow = 0, rangeHigh = 100;  // progress bars and spin boxes (a spin box refuses other values)
  std::string msg;                // shown in the status bar while the control has the focus
  bool checkItem = false;         // menu item with a check mark
  int cursor = 0;                 // Cursor_*
  std::vector<int> alerts;        // alerted key codes
};

struct WindowDef {
  std::string title;
  std::string name;               // procedure name, for snapshots and logs
  int width = 200, height = 100;  // dialog units
  int x = Auto, y = Auto;         // Auto: placed by the system
  std::string fontName = "MS Sans Serif";
  int fontSize = 8;
  long long background = Color_None;
  int timer = 0;                  // centiseconds
  bool resizable = true;
  std::vector<ControlDef> controls;
  std::vector<int> alerts;        // keys alerted on the window
  std::vector<int> statusZones;   // status bar zone widths in dialog units (-1: the rest); none: no bar

  // Appends a control at (x, y), w x h dialog units (Auto: the size follows
  // the content), and returns it for the fields that differ.
  ControlDef& add(ControlType type, std::string label, std::string text, int x, int y, int w, int h,
                  int parent = 0) {
    ControlDef c;
    c.type = type;
    c.label = std::move(label);
    c.text = std::move(text);
    c.x = x, c.y = y, c.width = w, c.height = h;
    c.parent = parent;
    controls.push_back(std::move(c));
    return controls.back();
  }
};

}  // namespace ui
