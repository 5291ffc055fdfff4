#include "runtime/ui/report/qt/page_pictures.h"

#include <QPainter>

#include "runtime/ui/qt/picture_loader.h"
#include "runtime/ui/report/page_image.h"
#include "runtime/ui/report/qt/page_painter.h"

namespace ui::qt {

namespace {

constexpr double kPxPerMm = 96 / 25.4;

QPixmap drawPage(const QString& path, const QSize& size) {
  PageImage page;
  if (!readPageFile(path.toStdString(), &page)) return QPixmap();
  QSize s = size.isValid() && !size.isEmpty()
                ? size
                : QSize(int(page.width * kPxPerMm + 0.5), int(page.height * kPxPerMm + 0.5));
  QPixmap pixmap(s);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  paintPage(painter, page, QRectF(0, 0, s.width(), s.height()));
  return pixmap;
}

QSize naturalSize(const QString& path) {
  double w = 0, h = 0;
  if (!readPageSize(path.toStdString(), &w, &h)) return QSize();
  return QSize(int(w * kPxPerMm + 0.5), int(h * kPxPerMm + 0.5));
}

}  // namespace

void installPagePictures() { registerPictureLoader("qvpage", PictureLoader{drawPage, naturalSize}); }

}  // namespace ui::qt
