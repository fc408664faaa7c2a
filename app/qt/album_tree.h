// The album list's view. Its accessible interface lists rows, not cells, so it tells
// assistive technology of the current row by the row's number, where Qt's tree view
// would count header and cells.
#pragma once

#include <QAccessible>
#include <QTreeWidget>

#include "app/qt/accessibility.h"

namespace af {

class AlbumTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QAbstractItemView::currentChanged(current, previous);
    viewport()->update();
    if (current.isValid() && hasFocus()) announce_child(this, QAccessible::Focus, current.row());
  }
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
    QAbstractItemView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
      announce_child(this, QAccessible::SelectionAdd, selected.indexes().first().row());
  }
};

}  // namespace af
