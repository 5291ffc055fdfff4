// A Qt table model over a list control's row source. It holds no rows of
// its own: every cell is read from the source, and formatted through the
// column's picture, only when the view paints it.
#pragma once

#include <QAbstractTableModel>

namespace ui {
class Control;
}

namespace ui::qt {

class ListModel : public QAbstractTableModel {
 public:
  ListModel(Control* control, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The source's rows or values changed.
  void refresh();
  void columnsChanged();

  // Cells formatted since construction (the benchmark and tests read it).
  mutable long long cellsRead = 0;

 private:
  Control* control_;
  int rows_ = 0;
  int columns_ = 0;
};

}  // namespace ui::qt
