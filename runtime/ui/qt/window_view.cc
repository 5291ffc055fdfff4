#include "runtime/ui/qt/window_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <optional>

#include "runtime/core/picture.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/control.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/font_map.h"
#include "runtime/ui/icon_resolver.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/qt/cursors.h"
#include "runtime/ui/qt/icons.h"
#include "runtime/ui/qt/image_view.h"
#include "runtime/ui/qt/key_map.h"
#include "runtime/ui/qt/list_model.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/window.h"

namespace ui::qt {

QString mappedFamily(const std::string& name) {
  static const QStringList families = QFontDatabase::families();
  std::string mapped = mapFontFamily(name, [](const std::string& f) {
    return families.contains(QString::fromStdString(f), Qt::CaseInsensitive);
  });
  return qs(mapped);
}

WindowView::WindowView(Window* window) : window_(window) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setObjectName(qs(window->def().name.empty() ? "qv_window" : window->def().name));
  const WindowDef& d = window->def();
  const double points = d.fontSize > 0 ? d.fontSize : 8;
  const QString family = mappedFamily(d.fontName);
  font_ = QFont(family);
  font_.setPointSizeF(points);
  if (family == "monospace") font_.setStyleHint(QFont::Monospace);
  QFontMetricsF fm(font_);
  const double drawnAverage =
      fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
  dluX_ = std::max(0.5, drawnAverage / 4.0);
  dluY_ = std::max(0.5, fm.height() / 8.0);
  if (std::optional<FontDesign> design = fontDesign(d.fontName);
      design && !metricCompatible(d.fontName, family.toStdString())) {
    // The named font is missing and nothing installed has its metrics: the
    // window keeps the size it was designed for, and the font drawn in its
    // place is narrowed to the named font's width so that texts fit.
    const DialogUnits u = dialogUnits(*design, points * logicalDpiY() / 72.0);
    dluX_ = u.x;
    dluY_ = u.y;
    if (drawnAverage > 4 * u.x) fontScale_ = 4 * u.x / drawnAverage;
  }
  fitToScreen();
  font_.setPointSizeF(points * fontScale_);
  setFont(font_);
  syncWindow();
}

void WindowView::fitToScreen() {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return;
  const WindowDef& d = window_->def();
  const QRect a = s->availableGeometry();
  const double width = d.width * dluX_, height = d.height * dluY_;
  if (width <= 0 || height <= 0) return;
  const double f =
      std::min({1.0, (a.width() - kFrameAllowance.width()) / width, (a.height() - kFrameAllowance.height()) / height});
  if (f >= 1.0) return;
  // Larger than the screen: the whole window drawn smaller, every control
  // in its place and in reach, rather than parts of it out of sight.
  const double scale = std::max(f, kSmallestFit);
  dluX_ *= scale;
  dluY_ *= scale;
  fontScale_ *= scale;
}

bool WindowView::hasPosition() const {
  const WindowDef& d = window_->def();
  return d.x >= 0 && d.y >= 0 && d.x < 100000 && d.y < 100000;
}

void WindowView::placeOnScreen(bool centre) {
  QScreen* s = QGuiApplication::screenAt(pos() + QPoint(width() / 2, height() / 2));
  if (!s) s = QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect a = s->availableGeometry();
  // Before the window is shown its frame is not known: allow for one.
  QSize extra = isVisible() ? frameGeometry().size() - size() : kFrameAllowance;
  // A size saved on a larger screen is cut to this one.
  const QSize most(std::max(1, a.width() - extra.width()), std::max(1, a.height() - extra.height()));
  if (size().width() > most.width() || size().height() > most.height()) resize(size().boundedTo(most));
  const QSize frame = size() + extra;
  int x = pos().x(), y = pos().y();
  if (centre) {
    x = a.x() + (a.width() - frame.width()) / 2;
    y = a.y() + (a.height() - frame.height()) / 2;
  }
  x = std::clamp(x, a.left(), std::max(a.left(), a.left() + a.width() - frame.width()));
  y = std::clamp(y, a.top(), std::max(a.top(), a.top() + a.height() - frame.height()));
  if (QPoint(x, y) != pos()) move(x, y);
}

WindowView::~WindowView() {
  for (auto& [n, w] : widgets_)
    if (Control* c = window_->control(n)) c->backendData = nullptr;
}

int WindowView::px(int d) const { return int(d * dluX_ + 0.5); }
int WindowView::py(int d) const { return int(d * dluY_ + 0.5); }
int WindowView::dluFromPx(int p) const { return int(p / dluX_ + 0.5); }
int WindowView::dluFromPy(int p) const { return int(p / dluY_ + 0.5); }

QWidget* WindowView::widget(int control) const {
  auto it = widgets_.find(control);
  return it == widgets_.end() ? nullptr : it->second;
}

ListModel* WindowView::model(int control) const {
  auto it = models_.find(control);
  return it == models_.end() ? nullptr : it->second;
}

void WindowView::syncWindow() {
  const WindowDef& d = window_->def();
  syncing_ = true;
  setWindowTitle(qs(d.title));
  syncStatus();
  resize(px(d.width), clientTop_ + py(d.height) + (status_ ? status_->sizeHint().height() : 0));
  if (menuBar_) menuBar_->setGeometry(0, 0, width(), menuBar_->sizeHint().height());
  placeToolBar();
  if (status_) status_->setGeometry(0, height() - status_->sizeHint().height(), width(), status_->sizeHint().height());
  if (hasPosition()) move(px(d.x), py(d.y));
  // A position or size saved on another screen is brought back onto this one.
  if (hasPosition() || shown_) placeOnScreen(false);
  if (plainColour(d.background)) {
    QPalette p = palette();
    p.setColor(QPalette::Window, qcolor(d.background));
    setPalette(p);
    setAutoFillBackground(true);
  }
  bool max = window_->prop(0, Prop_Maximize).toInt() != 0;
  bool min = window_->prop(0, Prop_Iconize).toInt() != 0;
  Qt::WindowStates s = windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
  if (max) s |= Qt::WindowMaximized;
  if (min) s |= Qt::WindowMinimized;
  setWindowState(s);
  bool hidden = window_->prop(0, Prop_Hide).toInt() != 0;
  if (hidden != isHidden() && (hidden || shown_)) setVisible(!hidden);
  syncing_ = false;
}
void WindowView::createControl(Control& c) {
  const int n = c.number();
  QWidget* w = nullptr;
  if (createToolButton(c)) return;
  if (c.type() == Ctl_Menu || c.type() == Ctl_MenuItem) {
    createMenu(c);
    return;
  }
  switch (c.type()) {
    case Ctl_Text:
    case Ctl_Prompt:
    case Ctl_VarText: {
      auto* l = new QLabel(this);
      l->setTextFormat(Qt::PlainText);
      w = l;
      break;
    }
    case Ctl_Image: {
      auto* iv = new ImageView(this, window_, n);
      for (QWidget* part : {static_cast<QWidget*>(iv->picture()), iv->viewport()}) {
        part->setProperty(kControlProp, n);
        part->installEventFilter(this);
      }
      w = iv;
      break;
    }
    case Ctl_Entry: {
      auto* e = new QLineEdit(this);
      connect(e, &QLineEdit::textEdited, this,
              [this, n](const QString& t) { window_->inputText(n, toWindows1252(t)); });
      w = e;
      break;
    }
    case Ctl_MultiLine: {
      auto* e = new QPlainTextEdit(this);
      connect(e, &QPlainTextEdit::textChanged, this, [this, n, e] {
        if (!syncing_) window_->inputText(n, toWindows1252(e->toPlainText()));
      });
      w = e;
      break;
    }
    case Ctl_Spin: {
      auto* sp = new QSpinBox(this);
      connect(sp, qOverload<int>(&QSpinBox::valueChanged), this, [this, n](int v) {
        if (!syncing_) window_->inputSpin(n, v);
      });
      w = sp;
      break;
    }
    case Ctl_Button: {
      auto* b = new QPushButton(this);
      b->setAutoDefault(false);
      // A click does not take the focus itself: the engine moves it when
      // the program lets the click's "EVENT:Selecting" through.
      b->setFocusPolicy(Qt::TabFocus);
      connect(b, &QPushButton::clicked, this, [this, n] { window_->inputClick(n, Mouse_Left); });
      w = b;
      break;
    }
    case Ctl_Check: {
      auto* b = new QCheckBox(this);
      connect(b, &QCheckBox::clicked, this, [this, n](bool on) { window_->inputCheck(n, on); });
      w = b;
      break;
    }
    case Ctl_Line: {
      auto* f = new QFrame(this);
      f->setFrameShape(c.def.width >= c.def.height ? QFrame::HLine : QFrame::VLine);
      f->setFrameShadow(QFrame::Sunken);
      w = f;
      break;
    }
    case Ctl_Box: {
      auto* f = new QFrame(this);
      f->setFrameShape(QFrame::Box);
      f->setFrameShadow(QFrame::Plain);  // drawn in the text colour: the frame colour
      w = f;
      break;
    }
    case Ctl_Progress: w = new QProgressBar(this); break;
    case Ctl_List: {
      auto* t = new QTableView(this);
      auto* m = new ListModel(&c, t);
      models_[n] = m;
      t->setModel(m);
      t->verticalHeader()->hide();
      t->setSelectionBehavior(QAbstractItemView::SelectRows);
      t->setSelectionMode(QAbstractItemView::SingleSelection);
      t->setEditTriggers(QAbstractItemView::NoEditTriggers);
      t->setTabKeyNavigation(false);
      t->setWordWrap(false);
      t->verticalHeader()->setDefaultSectionSize(QFontMetrics(font_).height() + 4);
      t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
      t->viewport()->setProperty(kControlProp, n);
      t->viewport()->installEventFilter(this);
      t->horizontalHeader()->viewport()->setProperty(kControlProp, n);
      t->horizontalHeader()->viewport()->setProperty(kHeaderProp, true);
      t->horizontalHeader()->viewport()->installEventFilter(this);
      if (c.def.immediate) {
        // The page is all the list holds: the thumb stands for the whole view.
        auto* thumb = new QScrollBar(Qt::Vertical, this);
        thumb->setRange(0, 100);
        thumb->setPageStep(10);
        thumb->setProperty(kControlProp, n);
        thumbs_[n] = thumb;
        connect(thumb, &QScrollBar::actionTriggered, this, [this, n, thumb](int action) {
          if (syncing_) return;
          int event = 0;
          switch (action) {
            case QAbstractSlider::SliderSingleStepAdd: event = Event_ScrollDown; break;
            case QAbstractSlider::SliderSingleStepSub: event = Event_ScrollUp; break;
            case QAbstractSlider::SliderPageStepAdd: event = Event_PageDown; break;
            case QAbstractSlider::SliderPageStepSub: event = Event_PageUp; break;
            case QAbstractSlider::SliderToMinimum: event = Event_ScrollTop; break;
            case QAbstractSlider::SliderToMaximum: event = Event_ScrollBottom; break;
            case QAbstractSlider::SliderMove: event = Event_ScrollDrag; break;
            default: return;
          }
          window_->inputScroll(n, event, thumb->sliderPosition());
        });
      }
      connect(t->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, n, t](int) {
        if (syncing_) return;
        if (Control* lc = window_->control(n)) {
          window_->setListMetrics(n, lc->list.items, t->rowAt(0) + 1);
          placeEditors(*lc);
        }
      });
      // A cell's editor follows its column when columns are resized or scrolled sideways.
      auto followColumns = [this, n] {
        if (Control* lc = window_->control(n)) placeEditors(*lc);
      };
      connect(t->horizontalHeader(), &QHeaderView::sectionResized, this, followColumns);
      connect(t->horizontalScrollBar(), &QScrollBar::valueChanged, this, followColumns);
      w = t;
      break;
    }
    case Ctl_DropList:
    case Ctl_Combo: {
      auto* cb = new QComboBox(this);
      auto* m = new ListModel(&c, cb);
      models_[n] = m;
      cb->setModel(m);
      if (c.type() == Ctl_Combo) {
        cb->setEditable(true);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->lineEdit()->installEventFilter(this);
        cb->lineEdit()->setProperty(kControlProp, n);
        connect(cb->lineEdit(), &QLineEdit::textEdited, this,
                [this, n](const QString& t) { window_->inputText(n, toWindows1252(t)); });
      }
      cb->setMaxVisibleItems(c.def.dropRows > 0 ? c.def.dropRows : 10);
      connect(cb, qOverload<int>(&QComboBox::activated), this,
              [this, n](int i) { window_->inputChoice(n, i + 1); });
      w = cb;
      break;
    }
    case Ctl_Sheet: {
      auto* frame = new QFrame(this);
      frame->setFrameShape(QFrame::StyledPanel);
      auto* bar = new QTabBar(frame);
      bar->setObjectName("tabs");
      bar->setExpanding(false);  // tabs as wide as their captions, from the left
      bar->setDrawBase(true);
      bar->setProperty(kControlProp, n);
      bar->installEventFilter(this);
      connect(bar, &QTabBar::currentChanged, this, [this, n](int i) {
        if (syncing_ || i < 0) return;
        const auto& map = tabMap_[n];
        if (size_t(i) < map.size()) window_->inputChoice(n, map[size_t(i)]);
      });
      w = frame;
      break;
    }
    case Ctl_Tab:
      if (Control* sheet = window_->control(c.def.parent)) rebuildTabs(*sheet);
      return;  // tabs live in their sheet's tab bar
    default:
      return;  // menu items have no widget
  }
  w->setProperty(kControlProp, n);
  w->setObjectName(qs(c.def.label.empty() ? "control_" + std::to_string(n) : c.def.label));
  if (const std::string name = window_->accessibleName(n); !name.empty()) w->setAccessibleName(qs(name));
  w->installEventFilter(this);
  widgets_[n] = w;
  c.backendData = w;
  sync(c, Aspect_All);
}

void WindowView::destroyControl(Control& c) {
  if (destroyToolButton(c)) return;
  if (auto t = thumbs_.find(c.number()); t != thumbs_.end()) {
    delete t->second;
    thumbs_.erase(t);
  }
  if (auto a = actions_.find(c.number()); a != actions_.end()) {
    QAction* action = a->second;
    actions_.erase(a);
    if (c.type() == Ctl_MenuItem) delete action;  // a menu's action goes with its menu
  }
  auto it = widgets_.find(c.number());
  if (it == widgets_.end()) return;
  QWidget* w = it->second;
  widgets_.erase(it);
  if (auto* menu = qobject_cast<QMenu*>(w)) {
    // Items of the menu go with it.
    for (auto a = actions_.begin(); a != actions_.end();)
      a = a->second->parent() == menu ? actions_.erase(a) : std::next(a);
  }
  models_.erase(c.number());
  c.backendData = nullptr;
  // Engine operations never run inside a Qt event handler (input only posts
  // events), so the widget can go at once.
  delete w;
}

QFont WindowView::fontFor(const Control& c) const {
  QFont f = font_;
  if (!c.def.fontName.empty()) f.setFamily(mappedFamily(c.def.fontName));
  if (c.def.fontSize > 0) f.setPointSizeF(c.def.fontSize * fontScale_);
  f.setBold(c.def.bold);
  return f;
}

void WindowView::applyLook(Control& c, QWidget* w) {
  w->setFont(fontFor(c));
  QPalette p = w->palette();
  if (plainColour(c.def.color)) {
    p.setColor(QPalette::WindowText, qcolor(c.def.color));
    p.setColor(QPalette::Text, qcolor(c.def.color));
    p.setColor(QPalette::ButtonText, qcolor(c.def.color));
  }
  if (plainColour(c.def.background)) {
    p.setColor(QPalette::Window, qcolor(c.def.background));
    p.setColor(QPalette::Base, qcolor(c.def.background));
    w->setAutoFillBackground(true);
  }
  w->setPalette(p);
  switch (c.def.cursor) {
    case Cursor_Wait: w->setCursor(Qt::WaitCursor); break;
    case Cursor_Zoom: w->setCursor(zoomCursor()); break;
    case Cursor_Cross: w->setCursor(Qt::CrossCursor); break;
    case Cursor_Hand: w->setCursor(Qt::PointingHandCursor); break;
    default: w->unsetCursor(); break;
  }
}

void WindowView::applyGeometry(Control& c, QWidget* w) {
  QSize hint = w->sizeHint();
  int width = c.def.width > 0 ? px(c.def.width) : c.def.width == 0 ? 0 : hint.width();
  int height = c.def.height > 0 ? py(c.def.height) : c.def.height == 0 ? 0 : hint.height();
  if (c.type() == Ctl_Line) {
    width = std::max(width, 2);
    height = std::max(height, 2);
  }
  if (c.type() == Ctl_Sheet && c.def.width == Auto) {
    width = std::max(0, this->width() - px(c.def.x));
    height = std::max(0, this->height() - py(c.def.y));
  }
  if (auto t = thumbs_.find(c.number()); t != thumbs_.end()) {
    int tw = t->second->sizeHint().width();
    if (c.list.vscroll) width = std::max(0, width - tw);
    t->second->setGeometry(px(c.def.x) + width, clientTop_ + py(c.def.y), tw, height);
  }
  w->setGeometry(px(c.def.x), clientTop_ + py(c.def.y), width, height);
  if (c.type() == Ctl_Sheet)
    if (auto* bar = w->findChild<QTabBar*>("tabs")) bar->setGeometry(0, 0, width, bar->sizeHint().height());
}

void WindowView::applyText(Control& c, QWidget* w) {
  const std::string& text = c.def.text;
  w->setToolTip(qs(c.def.tip));
  switch (c.type()) {
    case Ctl_Text:
    case Ctl_Prompt: static_cast<QLabel*>(w)->setText(qs(stripAmpersands(text))); break;
    case Ctl_VarText:
      static_cast<QLabel*>(w)->setText(qs(c.screen));
      // A named value is read as "Ciclo: BÁSICO", also when it is blank.
      if (!c.def.accessibleName.empty()) w->setAccessibleName(qs(c.def.accessibleName + ": ") + qs(c.screen).trimmed());
      // An automatic size follows the value shown, not the one at open.
      if (c.def.width == Auto || c.def.height == Auto) applyGeometry(c, w);
      break;
    case Ctl_Entry: {
      auto* e = static_cast<QLineEdit*>(w);
      // No more characters than the picture shows. A number may be typed
      // a little longer: cutting "10,5" to "10" at the keyboard would store
      // a value the user did not type, where the picture (or the program's
      // own check) refuses it aloud.
      const rt::Picture pic = rt::Picture::Compile(c.def.text);
      bool number = pic.type() == rt::PictureType::kNumber || pic.type() == rt::PictureType::kScientific;
      e->setMaxLength(pic.width() > 0 ? pic.width() + (number ? 8 : 0) : 32767);
      // The picture pads to its width; the edit shows the value without the
      // padding (so there is room to type) and aligns numbers right.
      e->setAlignment(number ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
      bool text = pic.type() == rt::PictureType::kString || pic.empty();
      QString shown = qs(c.screen);
      if (!text) shown = shown.trimmed();
      while (text && shown.endsWith(' ')) shown.chop(1);
      if (e->text() != shown) e->setText(shown);
      break;
    }
    case Ctl_MultiLine: {
      auto* e = static_cast<QPlainTextEdit*>(w);
      if (e->toPlainText() != qs(c.screen)) e->setPlainText(qs(c.screen));
      break;
    }
    case Ctl_Button: {
      auto* b = static_cast<QPushButton*>(w);
      b->setText(qs(text));
      QIcon icon = c.def.icon.empty() ? QIcon() : loadIcon(c.def.icon);
      b->setIcon(icon);
      if (!icon.isNull()) b->setIconSize(QSize(py(10), py(10)));
      break;
    }
    case Ctl_Check: static_cast<QCheckBox*>(w)->setText(qs(text)); break;
    case Ctl_Combo: {
      auto* cb = static_cast<QComboBox*>(w);
      QString shown = qs(c.screen).trimmed();
      if (cb->currentText() != shown) cb->setEditText(shown);
      break;
    }
    case Ctl_Spin: {
      auto* sp = static_cast<QSpinBox*>(w);
      sp->setRange(c.def.rangeLow, std::max(c.def.rangeLow, c.def.rangeHigh));
      sp->setValue(int(PropValue(c.screen).toInt()));
      break;
    }
    case Ctl_Image: static_cast<ImageView*>(w)->showPicture(c); break;
    default: break;
  }
}

void WindowView::applyState(Control& c, QWidget* w) {
  const int n = c.number();
  w->setVisible(window_->visible(n));
  w->setEnabled(window_->enabled(n));
  if (auto t = thumbs_.find(n); t != thumbs_.end()) {
    t->second->setVisible(window_->visible(n) && c.list.vscroll);
    t->second->setEnabled(window_->enabled(n));
  }
  switch (c.type()) {
    case Ctl_Entry: static_cast<QLineEdit*>(w)->setReadOnly(c.def.readOnly); break;
    case Ctl_MultiLine: static_cast<QPlainTextEdit*>(w)->setReadOnly(c.def.readOnly); break;
    case Ctl_Button: static_cast<QPushButton*>(w)->setDefault(c.def.isDefault); break;
    case Ctl_Check: static_cast<QCheckBox*>(w)->setChecked(c.checked); break;
    case Ctl_Spin:
      static_cast<QSpinBox*>(w)->setRange(c.def.rangeLow, std::max(c.def.rangeLow, c.def.rangeHigh));
      break;
    case Ctl_Progress: {
      auto* p = static_cast<QProgressBar*>(w);
      p->setRange(c.def.rangeLow, std::max(c.def.rangeLow, c.def.rangeHigh));
      p->setValue(std::clamp(c.progress, p->minimum(), p->maximum()));
      break;
    }
    case Ctl_List: {
      auto* t = static_cast<QTableView*>(w);
      t->setVerticalScrollBarPolicy(c.def.immediate ? Qt::ScrollBarAlwaysOff
                                    : c.list.vscroll ? Qt::ScrollBarAsNeeded
                                                     : Qt::ScrollBarAlwaysOff);
      break;
    }
    default: break;
  }
}

void WindowView::rebuildTabs(Control& sheet) {
  QWidget* frame = widget(sheet.number());
  if (!frame) return;
  auto* bar = frame->findChild<QTabBar*>("tabs");
  if (!bar) return;
  syncing_ = true;
  while (bar->count() > 0) bar->removeTab(0);
  std::vector<int>& map = tabMap_[sheet.number()];
  map.clear();
  int index = 0;
  for (Control* t : window_->controls()) {
    if (t->type() != Ctl_Tab || t->def.parent != sheet.number()) continue;
    ++index;
    if (t->def.hidden) continue;
    bar->addTab(qs(stripAmpersands(t->def.text)));
    map.push_back(index);
    if (sheet.choice == index) bar->setCurrentIndex(bar->count() - 1);
  }
  // The bar's height follows its tabs: laid out before its first tab, it
  // had none.
  bar->resize(frame->width(), bar->sizeHint().height());
  bar->setVisible(bar->count() > 0);
  syncing_ = false;
}

void WindowView::measureList(Control& c) {
  auto* t = qobject_cast<QTableView*>(widget(c.number()));
  if (!t) return;
  int rowH = std::max(1, t->verticalHeader()->defaultSectionSize());
  int headerH = t->horizontalHeader()->isVisible() || !t->isVisible()
                    ? t->horizontalHeader()->sizeHint().height()
                    : 0;
  int frame = 2 * t->frameWidth();
  int scrollH = t->horizontalScrollBar()->isVisible() ? t->horizontalScrollBar()->height() : 0;
  int items = std::max(1, (t->height() - headerH - frame - scrollH) / rowH);
  int origin = std::max(1, t->rowAt(0) + 1);
  window_->setListMetrics(c.number(), items, origin);
}

void WindowView::placeEditors(Control& c) {
  auto* t = qobject_cast<QTableView*>(widget(c.number()));
  if (!t) return;
  // Editors that were laid over this list before but are no longer.
  for (QWidget* child : t->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    int n = child->property(kControlProp).toInt();
    bool placed = false;
    for (auto& [col, ed] : c.list.editors) placed |= ed == n;
    if (n && !placed) child->hide();
  }
  for (auto& [col, ed] : c.list.editors) {
    QWidget* e = widget(ed);
    if (!e || c.list.choice < 1) continue;
    QRect r = t->visualRect(t->model()->index(c.list.choice - 1, col - 1));
    if (e->parentWidget() != t->viewport()) {
      e->setParent(t->viewport());
      e->installEventFilter(this);
    }
    e->setGeometry(r);
    e->show();
    e->raise();
  }
}

void WindowView::sync(Control& c, unsigned aspects) {
  if (syncToolButton(c)) return;
  if (c.type() == Ctl_Menu || c.type() == Ctl_MenuItem) {
    syncMenu(c);
    if (c.type() == Ctl_Menu && (aspects & Aspect_State))
      for (Control* o : window_->controls())
        if (o->def.parent == c.number()) syncMenu(*o);
    return;
  }
  if (c.type() == Ctl_Tab) {
    if (Control* sheet = window_->control(c.def.parent)) rebuildTabs(*sheet);
    if (aspects & Aspect_State)
      for (Control* o : window_->controls())
        if (o->def.parent == c.number()) sync(*o, Aspect_State);
    return;
  }
  QWidget* w = widget(c.number());
  if (!w) return;
  syncing_ = true;
  if (aspects & Aspect_Look) applyLook(c, w);
  if (aspects & Aspect_Text) applyText(c, w);
  if (aspects & Aspect_Geometry) applyGeometry(c, w);
  if (c.type() == Ctl_Image && (aspects & Aspect_Geometry) && !(aspects & Aspect_Text)) applyText(c, w);
  if (c.type() == Ctl_Image && (aspects & Aspect_Selection)) static_cast<ImageView*>(w)->syncScroll(c);
  if (aspects & Aspect_State) applyState(c, w);
  ListModel* m = model(c.number());
  if (m && (aspects & Aspect_Columns)) {
    m->columnsChanged();
    if (auto* t = qobject_cast<QTableView*>(w)) {
      for (size_t i = 0; i < c.list.columns.size(); ++i) {
        t->setColumnWidth(int(i), px(c.list.columns[i].width));
        t->horizontalHeader()->setSectionResizeMode(
            int(i), c.list.columns[i].resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
      }
    }
  }
  if (m && (aspects & Aspect_Rows)) m->refresh();
  if (aspects & (Aspect_Selection | Aspect_Rows)) {
    if (auto t = thumbs_.find(c.number()); t != thumbs_.end()) t->second->setValue(c.list.vscrollPos);
    if (auto* t = qobject_cast<QTableView*>(w)) {
      int rows = m ? m->rowCount() : 0;
      if (c.list.choice >= 1 && c.list.choice <= rows) {
        t->selectRow(c.list.choice - 1);
        t->scrollTo(t->model()->index(c.list.choice - 1, 0));
      } else {
        t->clearSelection();
      }
    } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
      cb->setCurrentIndex(c.list.choice - 1);
      if (cb->isEditable()) cb->setEditText(qs(c.screen).trimmed());
    } else if (c.type() == Ctl_Sheet) {
      rebuildTabs(c);
    }
  }
  if (c.type() == Ctl_List && (aspects & Aspect_State) && thumbs_.count(c.number()))
    applyGeometry(c, w);  // the thumb came or went
  if (c.type() == Ctl_List && (aspects & (Aspect_Geometry | Aspect_Rows | Aspect_State))) measureList(c);
  if (c.type() == Ctl_List && (aspects & (Aspect_Editor | Aspect_Selection | Aspect_Rows | Aspect_Geometry)))
    placeEditors(c);
  syncing_ = false;
}

void WindowView::focusControl(Control& c) {
  QWidget* w = widget(c.number());
  if (!w) return;
  w->setFocus(Qt::TabFocusReason);
  showMessageFor(c);
  // An entry's text is picture-wide: typing replaces it, as after a Tab.
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
}

}  // namespace ui::qt
