// The top-level widget of one open window and the widgets of its controls.
// It mirrors the engine's state (sync) and reports input to the Window.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>
#include <map>
#include <vector>

namespace ui {
class Control;
class Window;
}  // namespace ui

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
class QStatusBar;
class QTabBar;
class QToolBar;

namespace ui::qt {

class ListModel;

class WindowView : public QWidget {
 public:
  explicit WindowView(Window* window);
  ~WindowView() override;

  Window* window() const { return window_; }
  QWidget* widget(int control) const;
  ListModel* model(int control) const;

  void createControl(Control& c);
  void destroyControl(Control& c);
  void sync(Control& c, unsigned aspects);
  void syncWindow();
  // Keeps the window inside the free area of its screen; `centre` puts a
  // window without a position of its own in the middle of it.
  void placeOnScreen(bool centre);
  // The definition (or a saved setting) gives the window a position.
  bool hasPosition() const;
  void focusControl(Control& c);
  // The control's message in the first status bar zone while it has the
  // focus; the zone's own text for a control without one.
  void showMessageFor(const Control& c);

  // Dialog units to pixels in the window's font.
  int px(int dluX) const;
  int py(int dluY) const;
  int dluFromPx(int px) const;
  int dluFromPy(int py) const;

  bool closingByEngine = false;
  bool shown_ = false;  // shown once by the back-end

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  QFont fontFor(const Control& c) const;
  // A window larger than the screen's free area is drawn smaller to fit
  // (dialog units and fonts alike), down to kSmallestFit.
  void fitToScreen();
  // What a window manager's frame may add around the window.
  static constexpr QSize kFrameAllowance{16, 48};
  static constexpr double kSmallestFit = 0.6;
  void applyLook(Control& c, QWidget* widget);
  void applyGeometry(Control& c, QWidget* widget);
  void applyText(Control& c, QWidget* widget);
  void applyState(Control& c, QWidget* widget);
  void rebuildTabs(Control& sheet);
  void syncStatus();
  void createMenu(Control& c);
  void syncMenu(Control& c);
  void placeEditors(Control& list);
  void measureList(Control& list);
  bool listMouse(Control& c, QObject* watched, QEvent* event);
  // The standard toolbar (buttons 3000-3019) as a tool bar under the menu
  // bar; each returns false for any other control.
  bool createToolButton(Control& c);
  bool syncToolButton(Control& c);
  bool destroyToolButton(Control& c);
  void placeToolBar();

  Window* window_;
  QFont font_;
  double dluX_ = 1.5, dluY_ = 1.625;
  double fontScale_ = 1.0;  // of every point size: the fit and a narrowed stand-in font
  std::map<int, QWidget*> widgets_;
  std::map<int, ListModel*> models_;
  std::map<int, QScrollBar*> thumbs_;  // page-loaded lists: thumb 0..100 owned by the engine
  std::map<int, std::vector<int>> tabMap_;  // sheet -> tab-bar index to tab choice
  bool syncing_ = false;
  QStatusBar* status_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  int clientTop_ = 0;                  // height of the menu bar
  std::map<int, QAction*> actions_;    // menus and menu items
  std::vector<QLabel*> zones_;
  QToolBar* toolBar_ = nullptr;
  std::map<int, QAction*> toolActions_;  // standard toolbar buttons
};

// The family to use for a font name from a definition.
QString mappedFamily(const std::string& name);

}  // namespace ui::qt
