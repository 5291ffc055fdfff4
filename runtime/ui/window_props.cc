// Properties by number: reading and setting them on the window and its controls.
#include "runtime/ui/window.h"

#include <algorithm>

#include "runtime/ui/backend.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/use_var.h"

namespace ui {

PropValue Window::prop(int number, int id, int index) const {
  if (number == 0) {
    switch (id) {
      case Prop_AcceptAll: return acceptAll_;
      case Prop_Timer: return def_.timer;
      case Prop_Maximize: return maximized_;
      case Prop_Iconize: return minimized_;
      case Prop_Target: return engine_->target() == this;
      case Prop_Xpos: return def_.x;
      case Prop_Ypos: return def_.y;
      case Prop_Width:
      case Prop_ClientWidth: return def_.width;
      case Prop_Height:
      case Prop_ClientHeight: return def_.height;
      case Prop_Text:
      case Prop_Title: return def_.title;
      case Prop_Focus: return focus_;
      case Prop_FontName: return def_.fontName;
      case Prop_FontSize: return def_.fontSize;
      case Prop_Background: return def_.background;
      case Prop_Alrt:
        return index >= 1 && index <= int(windowAlerts_.size()) ? windowAlerts_[size_t(index - 1)] : 0;
      case Prop_Visible: return open_ && !hidden_;
      case Prop_StatusText:
        return index >= 1 && index <= int(status_.size()) ? PropValue(status_[size_t(index - 1)]) : PropValue();
      case Prop_MouseX: return mouseX_;
      case Prop_MouseY: return mouseY_;
      case Prop_Hide: return hidden_;
      default: return PropValue();
    }
  }
  const Control* c = control(number);
  if (!c) return PropValue();
  const ListState& l = c->list;
  auto col = [&](auto get) -> PropValue {
    if (index < 1 || index > int(l.columns.size())) return PropValue(0);
    return get(size_t(index - 1));
  };
  switch (id) {
    case Prop_Text:
    case Prop_Picture: return c->def.text;
    case Prop_Use: return c->use ? PropValue(c->use->get()) : PropValue();
    case Prop_Type: return int(c->type());
    case Prop_Hide: return c->def.hidden;
    case Prop_Disable: return c->def.disabled;
    case Prop_Visible: return visible(number);
    case Prop_ReadOnly: return c->def.readOnly;
    case Prop_Tip: return c->def.tip;
    case Prop_Xpos: return c->def.x;
    case Prop_Ypos: return c->def.y;
    case Prop_Width:
    case Prop_Height: {
      int v = id == Prop_Width ? c->def.width : c->def.height;
      int w = 0, h = 0;
      if (v == Auto && open_ && backend().measure(const_cast<Window&>(*this), const_cast<Control&>(*c), &w, &h))
        v = id == Prop_Width ? w : h;
      return v;
    }
    case Prop_Alrt:
      return index >= 1 && index <= int(c->alerts.size()) ? c->alerts[size_t(index - 1)] : 0;
    case Prop_ImageWidth:
    case Prop_ImageHeight: {
      int w = 0, h = 0;
      if (!open_ || !backend().measure(const_cast<Window&>(*this), const_cast<Control&>(*c), &w, &h))
        return 0;
      return id == Prop_ImageWidth ? w : h;
    }
    case Prop_Default: return c->def.isDefault;
    case Prop_Checked: return c->checked;
    case Prop_Parent: return c->def.parent;
    case Prop_FontName: return c->def.fontName.empty() ? def_.fontName : c->def.fontName;
    case Prop_FontSize: return c->def.fontSize ? c->def.fontSize : def_.fontSize;
    case Prop_FontBold: return c->def.bold;
    case Prop_FontColor: return c->def.color;
    case Prop_Background: return c->def.background;
    case Prop_Icon: return c->def.icon;
    case Prop_ScreenText: return c->screen;
    case Prop_Progress: return c->progress;
    case Prop_RangeLow: return c->def.rangeLow;
    case Prop_RangeHigh: return c->def.rangeHigh;
    case Prop_Choice:
    case Prop_SelStart: return c->type() == Ctl_Sheet ? c->choice : l.choice;
    case Prop_Items: return c->isList() ? c->itemsShown() : 0;
    case Prop_YOrigin: return l.yOrigin;
    case Prop_VScroll: return c->type() == Ctl_Image ? c->image.vscroll : l.vscroll;
    case Prop_VScrollPos: return c->type() == Ctl_Image ? c->image.vpos : l.vscrollPos;
    case Prop_HScroll: return c->image.hscroll;
    case Prop_HScrollPos: return c->image.hpos;
    case Prop_DrawWidth: return c->image.drawWidth;
    case Prop_DrawHeight: return c->image.drawHeight;
    case Prop_CheckItem: return c->def.checkItem;
    case Prop_Msg: return c->def.msg;
    case Prop_Rows: return l.source ? l.source->rowCount() : 0;
    case Prop_Immediate: return c->def.immediate;
    case Prop_Cursor: return c->def.cursor;
    case Prop_MouseDownRow: return l.mouseRow;
    case Prop_MouseDownField: return l.mouseColumn;
    case Prop_MouseDownZone: return l.mouseZone;
    case Prop_ColExists: return col([](size_t) { return PropValue(1); });
    case Prop_ColFieldNo:
      return col([&](size_t i) { return PropValue(l.columns[i].field ? l.columns[i].field : int(i) + 1); });
    case Prop_ColPicture: return col([&](size_t i) { return PropValue(l.columns[i].picture); });
    case Prop_ColEditable: return col([&](size_t i) { return PropValue(l.editable[i]); });
    case Prop_ColColor: return col([&](size_t i) { return PropValue(l.colColor[i]); });
    case Prop_ColHeader: return col([&](size_t i) { return PropValue(l.columns[i].header); });
    case Prop_ColWidth: return col([&](size_t i) { return PropValue(l.columns[i].width); });
    case Prop_Edit: {
      auto it = l.editors.find(index);
      return it == l.editors.end() ? 0 : it->second;
    }
    default: return PropValue();
  }
}

void Window::setProp(int number, int id, const PropValue& v, int index) {
  if (number == 0) {
    switch (id) {
      case Prop_AcceptAll:
        acceptAll_ = v.toInt() != 0;
        acceptPos_ = 0;
        return;
      case Prop_Timer:
        def_.timer = int(std::max(0LL, v.toInt()));
        timerDue = 0;
        return;
      case Prop_Maximize: maximized_ = v.toInt() != 0; if (maximized_) minimized_ = false; break;
      case Prop_Iconize: minimized_ = v.toInt() != 0; if (minimized_) maximized_ = false; break;
      case Prop_Xpos: def_.x = int(v.toInt()); break;
      case Prop_Ypos: def_.y = int(v.toInt()); break;
      case Prop_Width: def_.width = int(v.toInt()); break;
      case Prop_Height: def_.height = int(v.toInt()); break;
      case Prop_Text:
      case Prop_Title: def_.title = v.toString(); break;
      case Prop_Background: def_.background = v.toInt(); break;
      case Prop_Hide: hidden_ = v.toInt() != 0; break;
      case Prop_StatusText:
        if (index < 1 || index > 64) return;
        if (int(status_.size()) < index) status_.resize(size_t(index));
        status_[size_t(index - 1)] = v.toString();
        break;
      case Prop_Alrt:
        if (index >= 1 && index <= 254) {
          if (int(windowAlerts_.size()) < index) windowAlerts_.resize(size_t(index), 0);
          windowAlerts_[size_t(index - 1)] = int(v.toInt());
        }
        return;
      default: return;
    }
    if (open_) backend().windowChanged(*this, Aspect_All);
    return;
  }
  Control* c = control(number);
  if (!c) return;
  ListState& l = c->list;
  bool inCol = index >= 1 && index <= int(l.columns.size());
  size_t ci = inCol ? size_t(index - 1) : 0;
  switch (id) {
    case Prop_Text:
    case Prop_Picture:
      c->def.text = v.toString();
      if (c->showsVariable() && c->use) showScreen(*c);
      changed(*c, Aspect_Text);
      break;
    case Prop_Use:
      if (c->use && c->use->set(v.toString())) showScreen(*c);
      break;
    case Prop_Hide:
    case Prop_Disable:
    case Prop_ReadOnly:
    case Prop_Default: {
      bool on = v.toInt() != 0;
      (id == Prop_Hide ? c->def.hidden : id == Prop_Disable ? c->def.disabled
                        : id == Prop_ReadOnly ? c->def.readOnly : c->def.isDefault) = on;
      changed(*c, Aspect_State);
      // Children of a sheet or tab follow it.
      if (id == Prop_Hide || id == Prop_Disable)
        for (auto& o : controls_)
          if (o->def.parent == number) changed(*o, Aspect_State);
      break;
    }
    case Prop_Checked:
      c->checked = v.toInt() != 0;
      changed(*c, Aspect_State);
      break;
    case Prop_Tip: c->def.tip = v.toString(); changed(*c, Aspect_Text); break;
    case Prop_Icon: c->def.icon = v.toString(); changed(*c, Aspect_Text); break;
    case Prop_Xpos: c->def.x = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Ypos: c->def.y = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Width: c->def.width = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Height: c->def.height = int(v.toInt()); changed(*c, Aspect_Geometry); break;
    case Prop_Alrt:
      if (index >= 1 && index <= 254) {
        if (int(c->alerts.size()) < index) c->alerts.resize(size_t(index), 0);
        c->alerts[size_t(index - 1)] = int(v.toInt());
      } else {
        c->addAlert(int(v.toInt()));
      }
      break;
    case Prop_FontName: c->def.fontName = v.toString(); changed(*c, Aspect_Look); break;
    case Prop_FontSize: c->def.fontSize = int(v.toInt()); changed(*c, Aspect_Look); break;
    case Prop_FontBold: c->def.bold = v.toInt() != 0; changed(*c, Aspect_Look); break;
    case Prop_FontColor: c->def.color = v.toInt(); changed(*c, Aspect_Look); break;
    case Prop_Background: c->def.background = v.toInt(); changed(*c, Aspect_Look); break;
    case Prop_Progress: c->progress = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_RangeLow: c->def.rangeLow = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_RangeHigh: c->def.rangeHigh = int(v.toInt()); changed(*c, Aspect_State); break;
    case Prop_Choice:
    case Prop_SelStart:
      if (c->type() == Ctl_Sheet) {
        c->choice = int(v.toInt());
        changed(*c, Aspect_Selection);
        for (auto& o : controls_) changed(*o, Aspect_State);
      } else if (c->isList()) {
        int rows = l.source ? l.source->rowCount() : 0;
        l.choice = int(std::clamp<long long>(v.toInt(), 0, rows));
        changed(*c, Aspect_Selection);
      }
      break;
    case Prop_YOrigin: l.yOrigin = int(std::max(1LL, v.toInt())); changed(*c, Aspect_Selection); break;
    case Prop_VScroll:
      (c->type() == Ctl_Image ? c->image.vscroll : l.vscroll) = v.toInt() != 0;
      changed(*c, c->type() == Ctl_Image ? Aspect_Geometry : Aspect_State);
      break;
    case Prop_VScrollPos:
      if (c->type() == Ctl_Image)
        c->image.vpos = int(std::clamp<long long>(v.toInt(), 0, 255));
      else
        l.vscrollPos = int(std::clamp<long long>(v.toInt(), 0, 100));
      changed(*c, Aspect_Selection);
      break;
    case Prop_HScroll: c->image.hscroll = v.toInt() != 0; changed(*c, Aspect_Geometry); break;
    case Prop_HScrollPos:
      c->image.hpos = int(std::clamp<long long>(v.toInt(), 0, 255));
      changed(*c, Aspect_Selection);
      break;
    case Prop_DrawWidth:
    case Prop_DrawHeight:
      (id == Prop_DrawWidth ? c->image.drawWidth : c->image.drawHeight) = int(std::max(0LL, v.toInt()));
      changed(*c, Aspect_Geometry);
      break;
    case Prop_CheckItem: c->def.checkItem = v.toInt() != 0; changed(*c, Aspect_State); break;
    case Prop_Msg: c->def.msg = v.toString(); changed(*c, Aspect_Text); break;
    case Prop_Immediate: c->def.immediate = v.toInt() != 0; break;
    case Prop_Cursor: c->def.cursor = int(v.toInt()); changed(*c, Aspect_Look); break;
    case Prop_ColEditable: if (inCol) l.editable[ci] = int(v.toInt()); break;
    case Prop_ColPicture:
      if (inCol) { l.columns[ci].picture = v.toString(); changed(*c, Aspect_Columns | Aspect_Rows); }
      break;
    case Prop_ColFieldNo: if (inCol) l.columns[ci].field = int(v.toInt()); break;
    case Prop_ColColor:
      if (inCol) { l.colColor[ci] = v.toInt(); changed(*c, Aspect_Columns | Aspect_Rows); }
      break;
    case Prop_ColHeader:
      if (inCol) { l.columns[ci].header = v.toString(); changed(*c, Aspect_Columns); }
      break;
    case Prop_ColWidth:
      if (inCol) { l.columns[ci].width = int(v.toInt()); changed(*c, Aspect_Columns); }
      break;
    case Prop_Edit: {
      if (!inCol) break;
      const auto was = l.editors.find(index);
      const int before = was == l.editors.end() ? 0 : was->second;
      int editor = int(v.toInt());
      if (editor != 0 && exists(editor)) {
        l.editors[index] = editor;
      } else {
        l.editors.erase(index);
        editor = 0;
      }
      // An editor taken off its cell while it has the keyboard hands it back
      // to its list before it goes (the toolkit would give it to the next
      // control of the window, and the keys after it with it).
      if (before != 0 && before != editor && focus_ == before) {
        focus_ = number;
        if (open_) backend().focus(*this, *c);
      }
      changed(*c, Aspect_Editor);
      break;
    }
    default: break;
  }
}

}  // namespace ui
