#include "runtime/ui/qt/cursors.h"

#include <QPainter>
#include <QPixmap>

namespace ui::qt {

QCursor zoomCursor() {
  static const QCursor cursor = [] {
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    // Lens: white glass, black rim with a white halo so it shows on any page.
    g.setPen(QPen(Qt::white, 4));
    g.drawEllipse(QPointF(12, 12), 8, 8);
    g.drawLine(QPointF(18, 18), QPointF(28, 28));
    g.setPen(QPen(Qt::black, 2));
    g.setBrush(QColor(255, 255, 255, 160));
    g.drawEllipse(QPointF(12, 12), 8, 8);
    g.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(18, 18), QPointF(27, 27));
    g.end();
    return QCursor(p, 12, 12);
  }();
  return cursor;
}

}  // namespace ui::qt
