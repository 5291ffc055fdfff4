#include "runtime/ui/qt/image_view.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>

#include "runtime/ui/control.h"
#include "runtime/ui/icon_resolver.h"
#include "runtime/ui/qt/icons.h"
#include "runtime/ui/qt/picture_loader.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/qt/window_view.h"
#include "runtime/ui/window.h"

namespace ui::qt {

int barValue(int pos255, int max) { return max <= 0 ? 0 : (std::clamp(pos255, 0, 255) * max + 127) / 255; }
int barPos255(int value, int max) { return max <= 0 ? 0 : (std::clamp(value, 0, max) * 255 + max / 2) / max; }

ImageView::ImageView(WindowView* view, Window* window, int control)
    : QScrollArea(view), view_(view), window_(window), control_(control), label_(new QLabel) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  label_->setAlignment(Qt::AlignCenter);
  label_->setObjectName("picture");
  setWidget(label_);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { reportScroll(); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { reportScroll(); });
}

void ImageView::showPicture(const Control& c) {
  // A picture file (a report page) is drawn at the size asked for (vector
  // pictures through their loader, sharp at that size); an icon name shows
  // the icon.
  const std::string& name = c.def.icon.empty() ? c.def.text : c.def.icon;
  QSize size;
  if (c.image.drawWidth > 0 && c.image.drawHeight > 0)
    size = QSize(view_->px(c.image.drawWidth), view_->py(c.image.drawHeight));
  else if (c.def.width > 0 && c.def.height > 0)
    size = QSize(view_->px(c.def.width), view_->py(c.def.height));
  IconRef ref = resolveIcon(name);
  QPixmap picture;
  if (ref.kind == IconRef::File) picture = loadPicture(qs(ref.path), size);
  if (!picture.isNull()) {
    if (size.isValid()) picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  } else {
    QIcon icon = loadIcon(name);
    picture = icon.isNull() ? QPixmap() : icon.pixmap(size.isValid() ? size : QSize(32, 32));
  }
  label_->setPixmap(picture);
  // Without a size of its own the picture fills the control (centred).
  QSize shown = size.isValid() ? size : picture.size();
  label_->resize(shown.expandedTo(c.image.drawWidth > 0 ? QSize() : this->size()));
  syncScroll(c);
}

void ImageView::syncScroll(const Control& c) {
  syncing_ = true;
  setHorizontalScrollBarPolicy(c.image.hscroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(c.image.vscroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  h->setValue(barValue(c.image.hpos, h->maximum()));
  v->setValue(barValue(c.image.vpos, v->maximum()));
  syncing_ = false;
}

void ImageView::reportScroll() {
  if (syncing_) return;
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  window_->inputImageScroll(control_, barPos255(h->value(), h->maximum()), barPos255(v->value(), v->maximum()));
}

}  // namespace ui::qt
