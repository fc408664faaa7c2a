// The window for people who use a screen reader or the keyboard alone, read through the
// accessibility interfaces that assistive technology reads.
#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTranslator>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <thread>

#include "app/commands.h"
#include "app/qt/accessibility.h"
#include "app/qt/qt_window.h"
#include "app/qt/translation.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/program.h"
#include "tests/app/utf8_qstring.h"
#include "text/text.h"

using namespace af;
namespace c = af::ctl;
namespace fs = std::filesystem;

namespace {
bool chinese(const QString& s) {
  for (QChar ch : s)
    if (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF) return true;
  return false;
}
// Runs `step` every 20 ms from inside whatever event loop is running (a dialog's own, as
// well) until it returns true or `ms` have passed.
void poll(int ms, std::function<bool()> step) {
  auto* t = new QTimer;
  auto since = std::make_shared<QElapsedTimer>();
  since->start();
  QObject::connect(t, &QTimer::timeout, [t, since, ms, step] {
    if (step() || since->elapsed() > ms) t->deleteLater();
  });
  t->start(20);
}
}  // namespace

class AccessTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QtWindow> w;
  QStringList messages;
  std::vector<std::pair<QAccessible::Event, QString>> heard;

  template <typename T>
  T* get(std::string_view name) {
    T* t = qobject_cast<T*>(w->control(name));
    if (!t) qFatal("no control %s", std::string(name).c_str());
    return t;
  }
  QAccessibleInterface* iface(std::string_view name) {
    return QAccessible::queryAccessibleInterface(w->control(name));
  }
  QTreeWidget* albums() { return get<QTreeWidget>(c::超级列表框1); }
  void add_rows(int n) {
    for (int i = 0; i < n; ++i) {
      auto* item = new QTreeWidgetItem(albums());
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, Qt::Checked);
      item->setText(c::col_序号, QString::number(i + 1));
      item->setText(c::col_相册名称, q("相册") + QString::number(i + 1));
    }
  }
  bool heard_event(QAccessible::Event type, const QString& object) {
    for (auto& [t, o] : heard)
      if (t == type && o == object) return true;
    return false;
  }

 private slots:
  void init() {
    w = std::make_unique<QtWindow>();
    set_current_window(w.get());
    messages.clear();
    heard.clear();
    QtWindow::message_hook = [this](const QString& m, const QString&) {
      messages << m;
      return 0;
    };
    set_announcer([this](QAccessibleEvent& e) {
      QString name = e.object() ? e.object()->objectName() : QString();
      if (e.type() == QAccessible::StateChanged || e.child() >= 0)
        name = e.accessibleInterface()->text(QAccessible::Name);
      heard.emplace_back(e.type(), name);
    });
    w->show();
    w->activateWindow();
    QVERIFY2(QTest::qWaitForWindowActive(w.get()), "the window never became active");
  }
  void cleanup() {
    set_announcer({});
    exit_cleanup();
    set_current_window(nullptr);
    w.reset();
  }

  void namesAndRoles_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    auto row = [](std::string_view name, QAccessible::Role role) {
      QTest::newRow(std::string(name).c_str()) << q(name) << static_cast<int>(role);
    };
    row(c::编辑框_号码, QAccessible::EditableText);
    row(c::编辑框_保存位置, QAccessible::EditableText);
    row(c::超级列表框1, QAccessible::List);
    row(c::编辑框_操作记录, QAccessible::EditableText);
    row(c::进度条1, QAccessible::ProgressBar);
    row(c::选择框_全选, QAccessible::CheckBox);
    row(c::选择框_反选, QAccessible::CheckBox);
    row(c::选择框_有封面, QAccessible::CheckBox);
    row(c::选择框_跳过已下载, QAccessible::CheckBox);
    row(c::按钮_联系客服, QAccessible::Button);
    row(c::标签7, QAccessible::Link);
  }
  void namesAndRoles() {
    QFETCH(QString, control);
    QFETCH(int, role);
    QAccessibleInterface* i = iface(control.toStdString());
    QVERIFY(i);
    QCOMPARE(static_cast<int>(i->role()), role);
    QVERIFY2(!i->text(QAccessible::Name).isEmpty(), "no name");
    if (role != QAccessible::Link) QVERIFY2(chinese(i->text(QAccessible::Name)), "not Chinese");
  }

  // The boxes are named by their captions, and a caption's mnemonic leads to its box.
  void captionsAreBuddies() {
    QCOMPARE(get<QLabel>(c::标签2)->buddy(), w->control(c::编辑框_号码));
    QCOMPARE(get<QLabel>(c::标签_保存路径)->buddy(), w->control(c::编辑框_保存位置));
    QCOMPARE(iface(c::编辑框_号码)->text(QAccessible::Name), q("主页"));
    QCOMPARE(iface(c::编辑框_保存位置)->text(QAccessible::Name), q("保存位置"));
  }

  // The status line is a status bar named by its text, the bar's value follows the work
  // (Qt tells assistive technology of each change of either).
  void statusAndProgressAreExposed() {
    QAccessibleInterface* status = iface(c::标签_动态);
    QCOMPARE(status->role(), QAccessible::StatusBar);
    w->set_text(c::标签_动态, GBK("温馨提示：正在获取相册列表..."));
    QCOMPARE(status->text(QAccessible::Name), q("温馨提示：正在获取相册列表..."));
    QVERIFY(w->control(c::标签_动态)->accessibleName().isEmpty());  // else Qt tells nothing
    w->set_progress_maximum(c::进度条1, 10);
    w->set_progress_position(c::进度条1, 7);
    QAccessibleValueInterface* bar = iface(c::进度条1)->valueInterface();
    QVERIFY(bar);
    QCOMPARE(bar->currentValue().toInt(), 7);
    QCOMPARE(bar->maximumValue().toInt(), 10);
  }

  // Each row shows its tick, and its toggle action ticks and unticks it.
  void rowsShowAndToggleTheirTicks() {
    add_rows(3);
    QAccessibleInterface* list = iface(c::超级列表框1);
    QCOMPARE(list->childCount(), 3);
    QAccessibleInterface* row = list->child(1);
    QVERIFY(row);
    QCOMPARE(row->role(), QAccessible::ListItem);
    QCOMPARE(row->text(QAccessible::Name), q("2 相册2"));
    QCOMPARE(list->indexOfChild(row), 1);
    QVERIFY(row->state().checkable && row->state().checked);
    QAccessibleActionInterface* act = row->actionInterface();
    QVERIFY(act);
    QCOMPARE(act->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
    act->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(albums()->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QVERIFY(!row->state().checked);
    QVERIFY(albums()->selectedItems().isEmpty());  // ticking is not selecting
    QVERIFY(heard_event(QAccessible::StateChanged, q("2 相册2")));
    act->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(row->state().checked);
    // Moving to a row, in any column, tells of that row.
    albums()->setFocus();
    albums()->setCurrentItem(albums()->topLevelItem(2), c::col_相册名称);
    QVERIFY(heard_event(QAccessible::Focus, q("3 相册3")));
    // A listing that replaces the rows leaves no stale row behind.
    albums()->clear();
    QVERIFY(!row->isValid());
    add_rows(1);
    QCOMPARE(list->child(0)->text(QAccessible::Name), q("1 相册1"));
  }

  void enterInTheAddressBoxGetsTheAlbums() {
    auto* address = get<QLineEdit>(c::编辑框_号码);
    address->setFocus();
    QTest::keyClick(address, Qt::Key_Return);
    QCOMPARE(messages, QStringList{q("您输入的内容为空")});  // what 1:获取相册 says
  }

  void spaceTicksTheCurrentRowInAnyColumn_data() {
    QTest::addColumn<int>("column");
    QTest::newRow("tick column") << 0;
    QTest::newRow("number") << static_cast<int>(c::col_序号);
    QTest::newRow("title") << static_cast<int>(c::col_相册名称);
  }
  void spaceTicksTheCurrentRowInAnyColumn() {
    QFETCH(int, column);
    add_rows(2);
    albums()->setFocus();
    albums()->setCurrentItem(albums()->topLevelItem(1), column);
    QTest::keyClick(albums(), Qt::Key_Space);
    QCOMPARE(albums()->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QCOMPARE(albums()->topLevelItem(0)->checkState(0), Qt::Checked);
    QTest::keyClick(albums(), Qt::Key_Space);
    QCOMPARE(albums()->topLevelItem(1)->checkState(0), Qt::Checked);
  }

  // Tab alone reaches every control that does something, on both pages.
  void tabReachesEveryAction() {
    auto reached = [&] {
      QSet<QString> seen;
      for (int i = 0; i < 40; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (!f) break;  // nothing has the focus: every control below is missed
        seen << f->objectName();
        QTest::keyClick(f, Qt::Key_Tab);
      }
      return seen;
    };
    get<QLineEdit>(c::编辑框_号码)->setFocus();
    QSet<QString> page1 = reached();
    for (auto name : {c::编辑框_号码, c::按钮_获取相册封面, c::按钮_下载选中, c::编辑框_保存位置,
                      c::按钮_选择位置, c::按钮_打开目录, c::选择框_全选, c::选择框_反选,
                      c::选择框_有封面, c::超级列表框1, c::编辑框_操作记录})
      QVERIFY2(page1.contains(q(name)), std::string(name).c_str());
    get<QTabWidget>(c::高级选择夹1)->setCurrentIndex(1);
    get<QPushButton>(c::按钮_checknew)->setFocus();
    QSet<QString> page2 = reached();
    for (auto name : {c::选择框_跳过已下载, c::按钮_联系客服, c::标签7, c::按钮_checknew})
      QVERIFY2(page2.contains(q(name)), std::string(name).c_str());
  }

  // The help page's link takes the focus and opens with Enter.
  void linkOpensWithEnter() {
    get<QTabWidget>(c::高级选择夹1)->setCurrentIndex(1);
    auto* link = get<QLabel>(c::标签7);
    link->setFocus();
    QVERIFY(link->hasFocus());
    QVERIFY(iface(c::标签7)->state().focusable);
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");  // nothing can open it: the message says which
    QTest::keyClick(link, Qt::Key_Return);
    iface(c::标签7)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    qputenv("PATH", path);
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages[0].startsWith(q("无法打开：") + link->text()));
  }

  // A worker's message box leaves the window usable while the worker waits for it.
  void workersBoxIsModeless() {
    QtWindow::message_hook = nullptr;
    bool seen = false, modeless = false, usable = false, waiting = false;
    QString caption, text;
    std::atomic<bool> done{false};
    poll(10000, [&] {
      QMessageBox* box = nullptr;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(top); b && b->isVisible()) box = b;
      if (!box) return false;
      seen = true;
      caption = box->windowTitle();
      text = box->text();
      modeless = !box->isModal() && QApplication::activeModalWidget() == nullptr;
      QTest::mouseClick(get<QCheckBox>(c::选择框_有封面), Qt::LeftButton);
      usable = get<QCheckBox>(c::选择框_有封面)->isChecked();
      waiting = !done;
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    std::thread worker([&] {
      message_box(GBK("全部下载完毕"));
      done = true;
    });
    QTRY_VERIFY2_WITH_TIMEOUT(done, "the worker never got past its message box", 15000);
    worker.join();
    QVERIFY2(seen, "no message box was shown");
    QCOMPARE(caption, q("信息："));
    QCOMPARE(text, q("全部下载完毕"));
    QVERIFY(modeless);
    QVERIFY2(usable, "the window took no click while the box was open");
    QVERIFY(waiting);
  }

  // Closing the window while a worker waits for its box lets the worker go on.
  void closingReleasesAWorkerWaitingForItsBox() {
    QtWindow::message_hook = nullptr;
    std::atomic<bool> done{false};
    poll(10000, [&] {
      for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(top) && top->isVisible()) {
          w->close();
          return true;
        }
      return false;
    });
    std::thread worker([&] {
      message_box(GBK("全部下载完毕"));
      done = true;
    });
    QTRY_VERIFY2_WITH_TIMEOUT(done, "the worker still waits for a box the window took away", 15000);
    worker.join();
  }

  // Qt's own buttons speak the desktop's language; the program's texts stay as they are.
  void qtTranslationIsLoaded() {
    QTranslator* t = install_qt_translation(QLocale(QLocale::Chinese, QLocale::China));
    QVERIFY2(t, "no Qt translation for zh_CN");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    QString ok = box.button(QMessageBox::Ok)->text(),
            cancel = box.button(QMessageBox::Cancel)->text();
    QCoreApplication::removeTranslator(t);
    delete t;
    QVERIFY2(chinese(ok) && chinese(cancel), qPrintable(ok + " " + cancel));
    QCOMPARE(get<QPushButton>(c::按钮_获取相册封面)->text(), q("1:获取相册"));
  }

  // The folder dialog opens where the pictures go now.
  void folderDialogOpensAtTheSaveFolder_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("opens");
    QString tmp = QString::fromStdString(fs::temp_directory_path().string());
    QTest::newRow("save folder") << tmp << tmp;
    QTest::newRow("empty box") << QString() << to_q(default_save_location());
  }
  void folderDialogOpensAtTheSaveFolder() {
    QFETCH(QString, typed);
    QFETCH(QString, opens);
    get<QLineEdit>(c::编辑框_保存位置)->setText(typed);
    QString at;
    poll(10000, [&] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!d) return false;
      at = d->directory().absolutePath();
      d->reject();
      return true;
    });
    get<QPushButton>(c::按钮_选择位置)->click();
    QCOMPARE(at, QDir(opens).absolutePath());
  }
};

QTEST_MAIN(AccessTest)
#include "access_test.moc"
