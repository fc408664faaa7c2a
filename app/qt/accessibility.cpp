#include "app/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>
#include <unordered_map>

#include "app/qt/link_label.h"
#include "app/qt/qt_window.h"
#include "platform/controls.h"

namespace af {
namespace {

namespace c = ctl;

QString q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

Announcer& announcer() {
  static Announcer a;
  return a;
}

void announce(QAccessibleEvent& e) {
  if (announcer()) {
    announcer()(e);
  } else {
    QAccessible::updateAccessibility(&e);
  }
}

// Whether anyone listens; building an event creates interfaces, which is not free.
bool listened() {
  return announcer() || QAccessible::isActive();
}

// A caption names its box without the colon that ends it.
QString caption_name(const QString& caption) {
  QString t = caption.trimmed();
  while (t.endsWith(QChar(0xFF1A)) || t.endsWith(QChar(':'))) t.chop(1);
  return t;
}

class StatusLine : public QAccessibleWidget {
 public:
  explicit StatusLine(QWidget* w) : QAccessibleWidget(w, QAccessible::StatusBar) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Value) {
      if (auto* l = qobject_cast<QLabel*>(widget())) return l->text();
    }
    return QAccessibleWidget::text(t);
  }
};

class Link : public QAccessibleWidget {
 public:
  explicit Link(QWidget* w) : QAccessibleWidget(w, QAccessible::Link) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      if (auto* l = qobject_cast<QLabel*>(widget())) return l->text();
    }
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.linked = true;
    return s;
  }
  QStringList actionNames() const override {
    return QAccessibleWidget::actionNames() << pressAction();
  }
  void doAction(const QString& action) override {
    auto* l = dynamic_cast<LinkLabel*>(widget());
    if (action == pressAction() && l && l->pressed) {
      l->pressed();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

// One row of the album list: its number and title as its name, its tick as its checked
// state, and a toggle action that ticks or unticks it.
class Row : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  Row(QTreeWidget* tree, const QModelIndex& index) : tree_(tree), index_(index) {}
  bool isValid() const override { return tree_ && index_.isValid(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return tree_ ? tree_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return tree_ ? QAccessible::queryAccessibleInterface(tree_) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    return cell(c::col_序号) + QChar(' ') + cell(c::col_相册名称);
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    QRect r = tree_->visualRect(index_);
    r.setLeft(0);
    r.setRight(tree_->viewport()->width() - 1);
    return QRect(tree_->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.checkable = true;
    s.checked = index_.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    s.focusable = true;
    s.selectable = true;
    s.focused = tree_->hasFocus() && tree_->currentIndex().row() == index_.row();
    s.selected = tree_->selectionModel() && tree_->selectionModel()->isRowSelected(index_.row());
    s.offscreen = !tree_->viewport()->rect().intersects(tree_->visualRect(index_));
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                             : nullptr;
  }
  QStringList actionNames() const override { return {toggleAction()}; }
  void doAction(const QString& action) override {
    if (action != toggleAction() || !isValid()) return;
    bool ticked = index_.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    tree_->model()->setData(index_, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    return action == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
  }
  const QPersistentModelIndex& index() const { return index_; }

 private:
  QString cell(int column) const { return index_.sibling(index_.row(), column).data().toString(); }
  QPointer<QTreeWidget> tree_;
  QPersistentModelIndex index_;
};

// The album list as a list of rows. Row interfaces are made when asked for and kept
// while their row lives.
class AlbumList : public QAccessibleWidget {
 public:
  explicit AlbumList(QTreeWidget* t) : QAccessibleWidget(t, QAccessible::List) {}
  ~AlbumList() override {
    for (auto& [item, id] : rows_) QAccessible::deleteAccessibleInterface(id);
  }
  QTreeWidget* tree() const { return static_cast<QTreeWidget*>(widget()); }
  int childCount() const override { return tree()->topLevelItemCount(); }
  QAccessibleInterface* child(int i) const override { return row(tree()->topLevelItem(i)); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    auto* r = dynamic_cast<const Row*>(child);
    return r && r->isValid() && r->parent() == this ? r->index().row() : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    return row(tree()->itemAt(tree()->viewport()->mapFromGlobal(QPoint(x, y))));
  }
  QAccessibleInterface* focusChild() const override {
    return tree()->hasFocus() ? row(tree()->currentItem()) : nullptr;
  }
  QAccessibleInterface* row(QTreeWidgetItem* item) const {
    if (!item || item->treeWidget() != tree()) return nullptr;
    auto it = rows_.find(item);
    if (it != rows_.end()) {
      auto* known = static_cast<Row*>(QAccessible::accessibleInterface(it->second));
      if (known && known->isValid()) return known;
      QAccessible::deleteAccessibleInterface(it->second);  // a deleted row's address, reused
      rows_.erase(it);
    }
    if (rows_.size() > static_cast<size_t>(2 * childCount() + 64)) forget_deleted_rows();
    int r = tree()->indexOfTopLevelItem(item);
    auto* iface = new Row(tree(), tree()->model()->index(r, 0));
    rows_[item] = QAccessible::registerAccessibleInterface(iface);
    return iface;
  }

 private:
  void forget_deleted_rows() const {
    for (auto it = rows_.begin(); it != rows_.end();) {
      QAccessibleInterface* iface = QAccessible::accessibleInterface(it->second);
      if (iface && iface->isValid()) {
        ++it;
      } else {
        QAccessible::deleteAccessibleInterface(it->second);
        it = rows_.erase(it);
      }
    }
  }
  mutable std::unordered_map<QTreeWidgetItem*, QAccessible::Id> rows_;
};

QAccessibleInterface* interface_for(const QString&, QObject* object) {
  auto* w = qobject_cast<QWidget*>(object);
  if (!w) return nullptr;
  const QString name = w->objectName();
  if (name == q(c::标签_动态) && qobject_cast<QLabel*>(w)) return new StatusLine(w);
  // A label's interface may be made while it is built, before it has its name.
  if (dynamic_cast<LinkLabel*>(w)) return new Link(w);
  if (name == q(c::超级列表框1)) {
    if (auto* t = qobject_cast<QTreeWidget*>(w)) return new AlbumList(t);
  }
  return nullptr;
}

}  // namespace

void set_announcer(Announcer a) {
  announcer() = std::move(a);
}

void announce_child(QObject* object, QAccessible::Event type, int child) {
  if (!listened()) return;
  QAccessibleEvent event(object, type);
  event.setChild(child);
  announce(event);
}

void toggle_row_tick(QTreeWidgetItem* row) {
  if (row) row->setCheckState(0, row->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void install_accessible_interfaces() {
  static const bool installed = (QAccessible::installFactory(interface_for), true);
  (void)installed;
}

void make_accessible(QtWindow& w) {
  auto named = [&](std::string_view caption, std::string_view box) {
    auto* l = qobject_cast<QLabel*>(w.control(caption));
    QWidget* b = w.control(box);
    if (!l || !b) return;
    l->setBuddy(b);
    b->setAccessibleName(caption_name(l->text()));
  };
  named(c::标签2, c::编辑框_号码);
  named(c::标签_保存路径, c::编辑框_保存位置);
  named(c::标签3, c::编辑框_操作记录);
  named(c::标签_进度, c::进度条1);
  w.control(c::超级列表框1)->setAccessibleName(q("相册列表"));
  w.control(c::按钮_联系客服)->setAccessibleName(q("在线咨询"));
  // Qt itself tells of the status line's every new text (a label with no accessible name
  // of its own is named by its text) and of the progress bar's every new value.
  w.control(c::标签_动态)->setAccessibleDescription(q("状态"));
  auto* list = qobject_cast<QTreeWidget*>(w.control(c::超级列表框1));
  QObject::connect(list, &QTreeWidget::itemChanged, list, [list](QTreeWidgetItem* item, int col) {
    if (col != 0 || !listened()) return;
    auto* iface = dynamic_cast<AlbumList*>(QAccessible::queryAccessibleInterface(list));
    QAccessibleInterface* row = iface ? iface->row(item) : nullptr;
    if (!row) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(row, changed);
    announce(event);
  });
}

}  // namespace af
