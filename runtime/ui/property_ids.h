// Control and window properties, addressed by number. Control 0 stands for
// the window itself. The numbers that the framework hard-codes keep their
// values; the others are this engine's own.
#pragma once

namespace ui {

enum Prop : int {
  // Common to controls.
  Prop_Text = 0x7000,        // text, caption or, for entries, the picture
  Prop_Use,                  // the bound variable's current value (read), assign (write)
  Prop_Type,                 // ControlType
  Prop_Hide,                 // own hidden flag
  Prop_Disable,
  Prop_Visible,              // effective visibility (read only)
  Prop_ReadOnly,
  Prop_Tip,
  Prop_Xpos,                 // dialog units
  Prop_Ypos,
  Prop_Width,
  Prop_Height,
  Prop_Alrt,                 // alerted key by slot (index 1..254); 0 empty
  Prop_Default,              // default button flag
  Prop_Checked,
  Prop_Parent,
  Prop_FontName,
  Prop_FontSize,
  Prop_FontBold,
  Prop_FontColor,
  Prop_Background,           // fill colour
  Prop_Picture,
  Prop_ScreenText,           // the text the user sees or typed (read only)
  Prop_Progress,
  Prop_RangeLow,
  Prop_RangeHigh,
  // Lists and sheets.
  Prop_Choice,               // highlighted row (1-based) / selected tab
  Prop_SelStart,             // same as Choice, written by browses
  Prop_Items,                // rows the list shows
  Prop_YOrigin,              // first row shown
  Prop_VScroll,              // list has a vertical scroll bar
  Prop_VScrollPos,           // 0..100
  Prop_Rows,                 // rows of the row source (read only)
  Prop_Immediate,            // navigation keys post scroll events
  Prop_Cursor,               // mouse cursor over the control (Cursor_*)
  Prop_ImageWidth,           // image: the picture's own size, dialog units (read only)
  Prop_ImageHeight,
  Prop_DrawWidth,            // image: size the picture is drawn at, dialog units; 0: the control's
  Prop_DrawHeight,
  Prop_HScroll,              // image: horizontal scroll bar (lists and images: Prop_VScroll)
  Prop_HScrollPos,           // image: 0..255 (Prop_VScrollPos likewise; lists 0..100)
  Prop_CheckItem,            // menu item: shows a check mark, checked while its variable is not 0
  Prop_Msg,                  // shown in the status bar while the control has the focus
  // Window only.
  Prop_AcceptAll = 0x7080,   // an accept-all pass is running
  Prop_Timer,                // centiseconds; 0 off
  Prop_Maximize,
  Prop_Iconize,
  Prop_Target,               // read: 1 when the window is the current target
  Prop_ClientWidth,
  Prop_ClientHeight,
  Prop_Focus,                // control that has the focus
  Prop_Title,
  Prop_StatusText,           // [zone] text of a status bar zone (from 1)
  Prop_MouseX,               // where the mouse was last pressed, dialog units
  Prop_MouseY,

  // Numbers the framework uses as they stand.
  Prop_FontCharSet = 31290,       // 0x7A3A
  Prop_MouseDownRow = 31776,      // 0x7C20
  Prop_MouseDownField = 31781,    // 0x7C25: column under the mouse
  Prop_MouseDownZone = 31782,     // 0x7C26
  Prop_Icon = 31848,              // 0x7C68
  Prop_Edit = 32005,              // 0x7D05: [column] control laid over the highlighted cell
  Prop_ColEditable = 32260,       // 0x7E04: [column] 0 = not editable
  Prop_ColPicture = 32261,        // 0x7E05: [column]
  Prop_ColExists = 32266,         // 0x7E0A: [column]
  Prop_ColFieldNo = 32270,        // 0x7E0E: [column]
  Prop_ColColor = 32296,          // 0x7E28: [column] background; -1 none
  Prop_ColHeader = 0x7E80,        // [column] header text
  Prop_ColWidth,                  // [column] dialog units
};

// Mouse cursors (Prop_Cursor).
enum Cursor : int { Cursor_Default = 0, Cursor_Wait = 1, Cursor_Zoom = 2, Cursor_Hand = 3, Cursor_Cross = 4 };

// Zones reported in Prop_MouseDownZone.
enum ListZone : int { Zone_None = 0, Zone_Field = 1, Zone_Header = 2, Zone_Border = 3 };

// Colours are Windows-style 0x00BBGGRR; -1 is none; 0x80000000 | n is system colour n.
constexpr long long Color_None = -1;
constexpr long long Color_GrayText = 0x80000011LL;
constexpr long long rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

}  // namespace ui
