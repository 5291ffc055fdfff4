// The follow-up window's status bar: why the grade-book row the teacher is
// on has its status. Two writers share it: the window shows the highlighted
// row as stored, and a grade cell being edited shows the row as typed each
// time the rule runs. Both go through one GradeStatusLine, so that the
// window notices when the text on screen is no longer its own (a cell left
// the typed row's explanation, then the edit was thrown away).
#pragma once

#include <string>

namespace ui {
class Window;
}

namespace app::followup {

class GradeStatusLine {
 public:
  // Shows `text` in the first status bar zone of `window`; nothing is
  // redrawn when it is already there.
  void Show(ui::Window& window, const std::string& text);
  const std::string& shown() const { return shown_; }

 private:
  std::string shown_;
};

}  // namespace app::followup
