// The widget of an image control: the picture drawn at the size the
// program asks (Prop_DrawWidth/Height, else the control's size, else its
// own), inside the control's area, with horizontal and vertical scroll bars
// when the program turns them on. Bar positions are the engine's 0..255.
#pragma once

#include <QScrollArea>

class QLabel;

namespace ui {
class Control;
class Window;
}  // namespace ui

namespace ui::qt {

class WindowView;

class ImageView : public QScrollArea {
 public:
  ImageView(WindowView* view, Window* window, int control);

  // The label the picture is drawn on (where the mouse lands).
  QLabel* picture() const { return label_; }
  // Draws the control's picture at its drawn size.
  void showPicture(const Control& c);
  // Scroll bars and their positions from the control's state.
  void syncScroll(const Control& c);

 private:
  void reportScroll();

  WindowView* view_;
  Window* window_;
  int control_;
  QLabel* label_;
  bool syncing_ = false;
};

// 0..255 on a scroll bar of range 0..max, and back.
int barValue(int pos255, int max);
int barPos255(int value, int max);

}  // namespace ui::qt
