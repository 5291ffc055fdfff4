#include "runtime/ui/report/qt/page_painter.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QString>

namespace ui::qt {

namespace {

// Drawing happens in hundredths of a millimetre, so that fonts, whose pixel
// size is an integer, keep their size to within a hundredth of a millimetre
// at any zoom.
constexpr double kUnits = 100.0;
constexpr double kMmPerPoint = 25.4 / 72.0;
constexpr double kLineWidthMm = 0.2;

QColor colour(long long c, QColor none) {
  if (c < 0 || c > 0xFFFFFF) return none;
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QRectF rect(const PageOp& op) { return QRectF(op.x * kUnits, op.y * kUnits, op.w * kUnits, op.h * kUnits); }

}  // namespace

void paintPage(QPainter& painter, const PageImage& page, const QRectF& target) {
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(target.width() / (page.width * kUnits), target.height() / (page.height * kUnits));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  for (const PageOp& op : page.ops) {
    switch (op.kind) {
      case PageOp::Box: {
        QPen pen(colour(op.color, Qt::black));
        pen.setWidthF(kLineWidthMm * kUnits);
        painter.setPen(pen);
        painter.setBrush(op.fill < 0 ? QBrush(Qt::NoBrush) : QBrush(colour(op.fill, Qt::white)));
        painter.drawRect(rect(op));
        break;
      }
      case PageOp::Line: {
        QPen pen(colour(op.color, Qt::black));
        pen.setWidthF(kLineWidthMm * kUnits);
        painter.setPen(pen);
        painter.drawLine(QPointF(op.x * kUnits, op.y * kUnits),
                         QPointF((op.x + op.w) * kUnits, (op.y + op.h) * kUnits));
        break;
      }
      case PageOp::Text: {
        QFont font(QString::fromStdString(op.font));
        font.setPixelSize(std::max(1, int(op.size * kMmPerPoint * kUnits + 0.5)));
        font.setBold(op.bold);
        font.setItalic(op.italic);
        font.setHintingPreference(QFont::PreferNoHinting);
        // No ligatures: a PDF reader must give back "ti" and "fi" in names
        // as the letters typed, not as one glyph it cannot map.
        font.setStyleStrategy(QFont::PreferNoShaping);
        painter.setFont(font);
        painter.setPen(colour(op.color, Qt::black));
        int flags = Qt::AlignTop | (op.align == 'R'   ? Qt::AlignRight
                                    : op.align == 'C' ? Qt::AlignHCenter
                                                      : Qt::AlignLeft);
        if (op.wrap) flags |= Qt::TextWordWrap;
        painter.drawText(rect(op), flags, QString::fromStdString(op.text));
        break;
      }
    }
  }
  painter.restore();
}

}  // namespace ui::qt
