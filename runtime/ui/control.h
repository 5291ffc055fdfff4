// The live state of one control of an open window definition.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "runtime/ui/window_def.h"

namespace ui {

class RowSource;
class UseVar;

struct ListState {
  std::vector<ListColumn> columns;
  std::vector<int> editable;         // per column, Prop_ColEditable (1 unless set)
  std::vector<long long> colColor;   // per column, Prop_ColColor (-1 none)
  std::map<int, int> editors;        // column -> control laid over the highlighted cell
  RowSource* source = nullptr;
  int choice = 0;                    // 1-based; 0 none
  int items = 0;                     // rows shown; 0 until known
  int yOrigin = 1;                   // first row shown
  int vscrollPos = 0;                // 0..100
  bool vscroll = false;
  int mouseRow = 0, mouseColumn = 0, mouseZone = Zone_None;
};

// A picture drawn at a size of its own inside the control, scrolled by
// bars whose positions run 0..255.
struct ImageState {
  int drawWidth = 0, drawHeight = 0;  // dialog units; 0: the control's size
  bool hscroll = false, vscroll = false;
  int hpos = 0, vpos = 0;             // 0..255
};

class Control {
 public:
  Control(int number, const ControlDef& def);

  int number() const { return number_; }
  ControlType type() const { return def.type; }
  bool isList() const {
    return def.type == Ctl_List || def.type == Ctl_DropList || def.type == Ctl_Combo;
  }
  bool isEntry() const {
    return def.type == Ctl_Entry || def.type == Ctl_MultiLine || def.type == Ctl_Spin ||
           def.type == Ctl_Combo;
  }
  // Controls that show a variable through a picture.
  bool showsVariable() const {
    return isEntry() || def.type == Ctl_VarText || def.type == Ctl_Check;
  }
  bool focusable() const;
  // Rows a list shows: as measured by the back-end, else from its height.
  int itemsShown() const;

  ControlDef def;          // current text, geometry, flags and looks
  UseVar* use = nullptr;
  std::string screen;      // text shown or typed
  bool dirty = false;      // the user typed since the last display or accept
  bool checked = false;
  int progress = 0;
  int choice = 0;          // sheets: selected tab (1-based)
  ListState list;
  ImageState image;
  std::vector<int> alerts; // slot i+1 holds alerts[i]; 0 = empty slot
  void* backendData = nullptr;

  bool alerted(int key) const;
  void addAlert(int key);
  void removeAlert(int key);

 private:
  int number_;
};

}  // namespace ui
