#include "runtime/ui/qt/list_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPalette>

#include "runtime/ui/control.h"
#include "runtime/ui/picture_codec.h"
#include "runtime/ui/qt/view_util.h"
#include "runtime/ui/row_source.h"

namespace ui::qt {

namespace {

QVariant colour(long long c) {
  if (c == Color_None) return QVariant();
  if (c == Color_GrayText) return QBrush(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  if (c < 0 || c > 0xFFFFFF) return QVariant();
  return QBrush(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
}

Qt::Alignment alignment(char a) {
  switch (a) {
    case Align_Right:
    case Align_Decimal: return Qt::AlignRight | Qt::AlignVCenter;
    case Align_Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

ListModel::ListModel(Control* control, QObject* parent)
    : QAbstractTableModel(parent), control_(control) {
  rows_ = control_->list.source ? control_->list.source->rowCount() : 0;
  columns_ = int(control_->list.columns.size());
}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  const ListState& l = control_->list;
  int r = index.row(), c = index.column();
  if (!index.isValid() || c >= int(l.columns.size()) || !l.source || r >= l.source->rowCount())
    return QVariant();
  const ListColumn& col = l.columns[size_t(c)];
  switch (role) {
    case Qt::DisplayRole: {
      ++cellsRead;
      int field = col.field ? col.field : c + 1;
      std::string text = pictureCodec().format(l.source->value(r + 1, field), col.picture);
      // The picture pads to its width; the column aligns the text itself,
      // and padding would only make a narrow column cut the value short.
      return qs(text).trimmed();
    }
    case Qt::AccessibleTextRole: {
      // A cell is read with its column's header: "Eval. 1: 8".
      int field = col.field ? col.field : c + 1;
      const QString value = qs(pictureCodec().format(l.source->value(r + 1, field), col.picture)).trimmed();
      return col.header.empty() ? value : qs(col.header) + ": " + value;
    }
    case Qt::TextAlignmentRole: return int(alignment(col.align));
    case Qt::ForegroundRole: {
      long long override = c < int(l.colColor.size()) ? l.colColor[size_t(c)] : Color_None;
      return colour(override != Color_None ? override : col.color);
    }
    case Qt::BackgroundRole: return colour(col.background);
    default: return QVariant();
  }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const ListState& l = control_->list;
  if (orientation != Qt::Horizontal || section < 0 || section >= int(l.columns.size()))
    return QVariant();
  const ListColumn& col = l.columns[size_t(section)];
  if (role == Qt::DisplayRole) return qs(col.header);
  if (role == Qt::TextAlignmentRole)
    return int(alignment(col.headerAlign ? col.headerAlign : col.align));
  return QVariant();
}

void ListModel::refresh() {
  int rows = control_->list.source ? control_->list.source->rowCount() : 0;
  if (rows != rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  } else if (rows_ > 0 && columns_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  }
}

void ListModel::columnsChanged() {
  int columns = int(control_->list.columns.size());
  if (columns != columns_) {
    beginResetModel();
    columns_ = columns;
    endResetModel();
  } else {
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columns_ - 1));
    refresh();
  }
}

}  // namespace ui::qt
