#include "app/qt/keyboard.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "app/qt/accessibility.h"
#include "app/qt/qt_window.h"
#include "platform/controls.h"

namespace af {
namespace {

namespace c = ctl;

class SpaceTicks : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* tree = qobject_cast<QTreeWidget*>(o);
    if (!tree || e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() != Qt::Key_Space || (k->modifiers() & ~Qt::KeypadModifier)) return false;
    toggle_row_tick(tree->currentItem());
    return true;  // the tick column's own handling would undo it
  }
};

}  // namespace

void connect_keyboard(QtWindow& w) {
  auto* address = qobject_cast<QLineEdit*>(w.control(c::编辑框_号码));
  auto* get = qobject_cast<QAbstractButton*>(w.control(c::按钮_获取相册封面));
  QObject::connect(address, &QLineEdit::returnPressed, get, [get] {
    if (get->isVisible() && get->isEnabled()) get->click();
  });
  address->setFocus();  // where the work starts, once the window is shown
  auto* list = w.control(c::超级列表框1);
  list->installEventFilter(new SpaceTicks(list));
  // The log is read, not typed into: Tab leaves it like any other control.
  qobject_cast<QPlainTextEdit*>(w.control(c::编辑框_操作记录))->setTabChangesFocus(true);
}

}  // namespace af
