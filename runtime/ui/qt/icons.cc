#include "runtime/ui/qt/icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "runtime/ui/icon_resolver.h"
#include "runtime/ui/system_icon.h"

namespace ui::qt {

namespace {

const char* themeName(const std::string& builtin) {
  if (builtin == "OK04" || builtin == "Aceptar") return "dialog-ok";
  if (builtin == "SALIR") return "application-exit";
  if (builtin == "IMPPREV") return "document-print-preview";
  if (builtin == "Biblioteca") return "accessories-dictionary";
  if (builtin == "AGREGAR") return "list-add";
  if (builtin == "EDITAR") return "document-edit";
  if (builtin == "BORRAR") return "edit-delete";
  if (builtin == "No01") return "dialog-cancel";
  return nullptr;
}

QPen pen(QColor c, qreal w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

}  // namespace

QIcon drawnIcon(const std::string& b) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor green(30, 150, 60), red(200, 40, 40), blue(40, 90, 170), brown(150, 100, 40);
  if (b == "OK04" || b == "Aceptar") {
    p.setPen(pen(green, 5));
    p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
  } else if (b == "SALIR") {
    p.setPen(pen(brown, 2));
    p.setBrush(QColor(230, 200, 150));
    p.drawRect(6, 4, 14, 24);
    p.setPen(pen(red, 3));
    p.drawLine(14, 16, 28, 16);
    p.drawPolyline(QPolygonF({QPointF(23, 11), QPointF(28, 16), QPointF(23, 21)}));
  } else if (b == "IMPPREV") {
    p.setPen(pen(Qt::darkGray, 2));
    p.setBrush(Qt::white);
    p.drawRect(5, 3, 16, 21);
    p.setPen(pen(blue, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(19, 19), 6, 6);
    p.drawLine(23, 23, 29, 29);
  } else if (b == "Biblioteca") {
    const QColor books[] = {red, blue, green};
    for (int i = 0; i < 3; ++i) {
      p.setPen(pen(Qt::black, 1));
      p.setBrush(books[i]);
      p.drawRect(5 + i * 8, 5 + (i % 2) * 3, 6, 23 - (i % 2) * 3);
    }
  } else if (b == "AGREGAR") {
    p.setPen(pen(green, 6));
    p.drawLine(16, 5, 16, 27);
    p.drawLine(5, 16, 27, 16);
  } else if (b == "EDITAR") {
    p.setPen(pen(brown, 1));
    p.setBrush(QColor(240, 190, 60));
    p.drawPolygon(QPolygonF({QPointF(22, 4), QPointF(28, 10), QPointF(11, 27), QPointF(5, 27),
                             QPointF(5, 21)}));
  } else if (b == "BORRAR") {
    p.setPen(pen(red, 5));
    p.drawLine(7, 7, 25, 25);
    p.drawLine(25, 7, 7, 25);
  } else if (b == "No01") {
    p.setPen(pen(red, 4));
    p.drawEllipse(QPointF(16, 16), 11, 11);
    p.drawLine(9, 23, 23, 9);
  } else {
    return QIcon();
  }
  p.end();
  return QIcon(pm);
}

QIcon loadIcon(const std::string& name) {
  if (int n = systemIconNumber(name)) {
    QStyle::StandardPixmap p = n == 32513   ? QStyle::SP_MessageBoxCritical
                               : n == 32514 ? QStyle::SP_MessageBoxQuestion
                               : n == 32516 ? QStyle::SP_MessageBoxInformation
                                            : QStyle::SP_MessageBoxWarning;
    return QApplication::style()->standardIcon(p);
  }
  IconRef ref = resolveIcon(name);
  if (ref.kind == IconRef::File) {
    QIcon icon(QString::fromStdString(ref.path));
    if (!icon.availableSizes().isEmpty() || !icon.pixmap(16, 16).isNull()) return icon;
    ref.builtin = builtinIconName(name);  // unreadable file: fall back to the built-in
  }
  if (ref.builtin.empty()) return QIcon();
  if (const char* theme = themeName(ref.builtin); theme && QIcon::hasThemeIcon(theme))
    return QIcon::fromTheme(theme);
  return drawnIcon(ref.builtin);
}

}  // namespace ui::qt
