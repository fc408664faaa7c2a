#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

#include "albums/state.h"
#include "app/commands.h"
#include "app/community/community.h"
#include "app/qt/gui.h"
#include "app/qt/qt_window.h"
#include "app/qt/skin.h"
#include "http/transport.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/folder.h"
#include "platform/program.h"
#include "tests/app/utf8_qstring.h"

using namespace af;
namespace c = af::ctl;
namespace fs = std::filesystem;

class WindowTest : public QObject {
  Q_OBJECT

  DrivenClock clock;
  std::unique_ptr<QtWindow> w;
  std::unique_ptr<community::Community> site;
  QStringList messages;
  fs::path save;

  template <typename T>
  T* get(std::string_view name) {
    T* t = qobject_cast<T*>(w->control(name));
    if (!t) qFatal("no control %s", std::string(name).c_str());
    return t;
  }
  QTreeWidget* albums() { return get<QTreeWidget>(c::超级列表框1); }
  bool shown(std::string_view name) { return !w->control(name)->isHidden(); }
  void click(std::string_view name) { get<QAbstractButton>(name)->click(); }
  void list(const std::string& member) {
    get<QLineEdit>(c::编辑框_号码)->setText(q(member + ".pp.163.com"));
    click(c::按钮_获取相册封面);
    QTRY_VERIFY_WITH_TIMEOUT(list_worker() && list_worker()->finished, 10000);
    QCoreApplication::processEvents();
  }

  // Serves the site, lists `member` and clicks 2：下载选中 with the test's save folder.
  void start_batch(const std::string& member) {
    site->start();
    set_connect_to(site->connect_to());
    list(member);
    set_clock(nullptr);  // the batch takes real time, for clicks to land while it runs
    get<QLineEdit>(c::编辑框_保存位置)->setText(QString::fromStdString(save.string()));
    click(c::按钮_下载选中);
  }

 private slots:
  void init() {
    // Settling delays and retry pauses take no real time; the tests that click while a
    // batch runs put the real clock back.
    set_clock(&clock);
    site = std::make_unique<community::Community>();
    w = std::make_unique<QtWindow>();
    set_current_window(w.get());
    messages.clear();
    QtWindow::message_hook = [this](const QString& m, const QString&) {
      messages << m;
      return 0;
    };
    save = fs::temp_directory_path() / ("af_window_" + std::to_string(::getpid()));
    fs::remove_all(save);
    fs::create_directories(save);
    w->show();
  }
  void cleanup() {
    exit_cleanup();
    set_clock(nullptr);
    set_current_window(nullptr);
    w.reset();
    set_connect_to("");
    site->stop();
    fs::remove_all(save);
  }

  void initialState() {
    on_window_created(0);
    QCOMPARE(w->size(), QSize(950, 586));
    QVERIFY(shown(c::按钮_下载选中));
    QVERIFY(!shown(c::按钮_暂停线程));
    QVERIFY(!shown(c::按钮_继续下载));
    for (auto box : {c::选择框_全选, c::选择框_反选, c::选择框_有封面})
      QVERIFY(!get<QCheckBox>(box)->isChecked());
    QCOMPARE(get<QProgressBar>(c::进度条1)->value(), 0);
    for (auto l : {c::标签_动态, c::标签_进度条比例, c::标签_选择了相册数量, c::标签_正在下载相册,
                   c::标签_第多少张照片})
      QVERIFY(get<QLabel>(l)->text().isEmpty());
    QCOMPARE(albums()->topLevelItemCount(), 0);
    QCOMPARE(albums()->columnCount(), 8);
    QCOMPARE(albums()->headerItem()->text(5), q("相册ID"));
    for (int col = 4; col < 8; ++col) QVERIFY(albums()->isColumnHidden(col));
    QCOMPARE(get<QLabel>(c::标签8)->text(), q("版本：v" ALBUMFETCH_VERSION));
    QCOMPARE(get<QLabel>(c::标签_banben)->text(), q(ALBUMFETCH_VERSION));
    QVERIFY(get<QLabel>(c::标签_动态)->font().bold());
    QVERIFY(get<QLabel>(c::标签1)->text().contains(q("1：可以下载用户主页如:http://")));
    // The program's folder here is writable, so it is the save location.
    QCOMPARE(get<QLineEdit>(c::编辑框_保存位置)->text(), to_q(program_directory()));
  }

  void listingAndReListing() {
    auto& m = site->add_member("win");
    site->add_album(m, "甲", 1);
    site->add_album(m, "乙", 1);
    site->start();
    set_connect_to(site->connect_to());
    list("win");
    QCOMPARE(albums()->topLevelItemCount(), 2);
    QCOMPARE(albums()->topLevelItem(1)->text(2), q("乙"));
    QCOMPARE(albums()->topLevelItem(1)->text(1), q("2"));
    QCOMPARE(albums()->topLevelItem(0)->checkState(0), Qt::Checked);
    QCOMPARE(albums()->columnWidth(2), 540);
    QVERIFY(albums()->isColumnHidden(3));
    get<QCheckBox>(c::选择框_有封面)->setChecked(true);
    list("win");
    QCOMPARE(albums()->topLevelItemCount(), 2);
    QCOMPARE(albums()->columnWidth(2), 350);
    QVERIFY(!albums()->isColumnHidden(3));
    QVERIFY(!albums()->topLevelItem(0)->icon(3).isNull());
  }

  void selectAllAndInvert() {
    auto& m = site->add_member("sel");
    for (int i = 0; i < 3; ++i) site->add_album(m, "a" + std::to_string(i), 1);
    site->start();
    set_connect_to(site->connect_to());
    list("sel");
    auto row = [&](int r) { return albums()->topLevelItem(r)->checkState(0) == Qt::Checked; };
    albums()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    click(c::选择框_反选);  // checks 反选: inverts
    QVERIFY(!row(0) && row(1) && !row(2));
    click(c::选择框_反选);  // clears it: nothing happens
    QVERIFY(!row(0) && row(1) && !row(2));
    click(c::选择框_全选);
    QVERIFY(row(0) && row(1) && row(2));
    QVERIFY(!get<QCheckBox>(c::选择框_反选)->isChecked());
    click(c::选择框_反选);  // clears 全选 and unchecks every row
    QVERIFY(!get<QCheckBox>(c::选择框_全选)->isChecked());
    QVERIFY(!row(0) && !row(1) && !row(2));
  }

  void batchRunPauseContinueIdle() {
    auto& m = site->add_member("batch");
    site->add_album(m, "一", 2, 16, 16);
    auto& big = site->add_album(m, "二", 25, 16, 16);
    // The fourth picture of 二 stalls, so the batch is still there to pause once the
    // pause button has been shown longer than a double-click, however fast the machine.
    site->set_fault(big.pictures[3].url, {.stall = true});
    site->start();
    set_connect_to(site->connect_to());
    list("batch");
    set_clock(nullptr);  // the pause must land while pictures are still to come
    get<QLineEdit>(c::编辑框_保存位置)->setText(QString::fromStdString(save.string()));
    click(c::按钮_下载选中);
    QElapsedTimer since_start;
    since_start.start();
    QVERIFY(!shown(c::按钮_下载选中) && shown(c::按钮_暂停线程) && !shown(c::按钮_继续下载));
    // The keyboard goes to the visible button, never into the save location box.
    QCOMPARE(w->focusWidget(), w->control(c::按钮_暂停线程));
    // A click within the double-click interval of the button appearing is ignored by
    // design; this one is meant, so it comes after.
    QTRY_VERIFY_WITH_TIMEOUT(get<QLabel>(c::标签_正在下载相册)->text() == q("下载到第[2]个相册") &&
                                 get<QProgressBar>(c::进度条1)->value() >= 3 &&
                                 since_start.elapsed() > QApplication::doubleClickInterval(),
                             20000);
    // From here an unheld batch would go on: the picture answers when it is asked again,
    // which the pause does (a stalled request would take 30 s, past every wait below).
    site->set_fault(big.pictures[3].url, {});
    click(c::按钮_暂停线程);
    QVERIFY(!shown(c::按钮_下载选中) && !shown(c::按钮_暂停线程) && shown(c::按钮_继续下载));
    QTRY_VERIFY_WITH_TIMEOUT(download_worker()->token->holding(), 5000);
    int held = get<QProgressBar>(c::进度条1)->value();
    // Long enough to go on, if it could, and past the continue button's hasty-click guard.
    QTest::qWait(std::max(500, QApplication::doubleClickInterval() + 50));
    QCOMPARE(get<QProgressBar>(c::进度条1)->value(), held);
    set_clock(&clock);  // the rest of the batch need not take real time
    click(c::按钮_继续下载);
    QVERIFY(shown(c::按钮_暂停线程));
    QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), 20000);
    QCOMPARE(messages.last(), q("全部下载完毕"));
    QVERIFY(shown(c::按钮_下载选中) && !shown(c::按钮_暂停线程) && !shown(c::按钮_继续下载));
    QCOMPARE(w->focusWidget(), w->control(c::按钮_下载选中));
    QCOMPARE(get<QLabel>(c::标签_第多少张照片)->text(), q("下载完成"));
    QCOMPARE(get<QLabel>(c::标签_选择了相册数量)->text(), q("总共需下载[2]个相册"));
    for (size_t i = 0; i < big.pictures.size(); ++i)
      QVERIFY(fs::exists(save / "batch" / "二2" /
                         (std::to_string(i + 1) + big.pictures[i].id + ".jpg")));
  }

  void updateCheckOutcomes() {
    site->start();
    set_connect_to(site->connect_to());
    auto check = [&](const std::string& page) {
      site->set_version_page(page);
      click(c::按钮_checknew);
      return std::make_pair(get<QLabel>(c::标签_zxbanben)->text(),
                            get<QLabel>(c::标签_banbenjieguo)->text());
    };
    // Compared with the program's own version, whatever a label shows.
    get<QLabel>(c::标签_banben)->setText(q("20160101"));
    QCOMPARE(check("x ##v" ALBUMFETCH_VERSION "## y"),
             std::make_pair(q(ALBUMFETCH_VERSION), q("是最新版，有问题联系客服")));
    QCOMPARE(check("##v2015##"), std::make_pair(q("2015"), q("是最新版，有问题联系客服")));
    QCOMPARE(check("##v20160101##"),
             std::make_pair(q("20160101"), q("有新版，联系客服获取最新版")));
    QCOMPARE(check("##v" ALBUMFETCH_VERSION " ##"),
             std::make_pair(q(ALBUMFETCH_VERSION " "), q("有新版，联系客服获取最新版")));
    QCOMPARE(check("no markers"), std::make_pair(QString(), q("有新版，联系客服获取最新版")));
  }

  void closingDuringABatchEndsPromptly() {
    auto& m = site->add_member("close");
    site->add_album(m, "长", 200, 16, 16);
    start_batch("close");
    QTRY_VERIFY_WITH_TIMEOUT(get<QProgressBar>(c::进度条1)->value() >= 2, 20000);
    QElapsedTimer t;
    t.start();
    w->close();
    exit_cleanup();
    QVERIFY(t.elapsed() < 1000);
    QVERIFY(download_worker()->finished);
    for (auto& e : fs::recursive_directory_iterator(save))
      QVERIFY(!af::is_temp_name(e.path().filename().string()));
  }

  // Every label's text fits its rectangle at the form's size, help text and link included.
  void everyLabelFitsItsRectangle() {
    int checked = 0;
    for (QLabel* l : w->findChildren<QLabel*>()) {
      if (l->objectName().isEmpty() || l->text().isEmpty()) continue;
      QSize need = label_text_size(*l, l->font());
      QVERIFY2(
          need.height() <= l->contentsRect().height() && need.width() <= l->contentsRect().width(),
          qPrintable(l->objectName()));
      ++checked;
    }
    QVERIFY(checked > 10);
    QVERIFY(get<QLabel>(c::标签1)->text().contains(q("2：可以下载单个作品的页面")));
    QVERIFY(QFontInfo(get<QLabel>(c::标签1)->font()).pixelSize() >= 11);  // and readable
  }

  // A double-click on 2：下载选中 does not pause the batch it starts.
  void hastyClicksAreHarmless() {
    auto& m = site->add_member("hasty");
    auto& a = site->add_album(m, "h", 30, 16, 16);
    site->set_fault(a.pictures[5].url, {.stall = true});  // the batch outlasts the test
    start_batch("hasty");
    click(c::按钮_暂停线程);  // the second click of the double-click
    QVERIFY(shown(c::按钮_暂停线程) && !shown(c::按钮_继续下载));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    click(c::按钮_暂停线程);
    QVERIFY(shown(c::按钮_继续下载));
    click(c::按钮_继续下载);  // too soon after the pause: ignored as well
    QVERIFY(shown(c::按钮_继续下载));
  }

  // When the desktop cannot open the folder, the user is told which one.
  void openFolderFailureIsShown() {
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");  // no xdg-open, no browser
    get<QLineEdit>(c::编辑框_保存位置)->setText(QString::fromStdString(save.string()));
    click(c::按钮_打开目录);
    qputenv("PATH", path);
    QVERIFY(!messages.isEmpty());
    QVERIFY(messages.last().startsWith(q("无法打开：") + QString::fromStdString(save.string())));
  }

  // Ticked and unticked rows look different in every skin.
  void ticksAreToldApart() {
    for (int skin = 1; skin <= skin_count; ++skin) {
      qApp->setStyleSheet(carried_skin(skin));
      albums()->clear();
      for (bool tick : {true, false}) {
        auto* item = new QTreeWidgetItem(albums());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, tick ? Qt::Checked : Qt::Unchecked);
      }
      QImage shot = albums()->viewport()->grab().toImage();
      auto lightness = [&](int row) {
        QRect r = albums()->visualItemRect(albums()->topLevelItem(row));
        return QColor(shot.pixel(r.left() + 10, r.center().y())).lightness();
      };
      QVERIFY2(std::abs(lightness(0) - lightness(1)) > 80, qPrintable(QString::number(skin)));
    }
    qApp->setStyleSheet({});
    // An unedited skin file of an earlier build, with or without the tick rules, is
    // renewed; an edited one is the user's.
    QString old = earlier_skin(13).left(earlier_skin(13).indexOf("QTreeView::indicator"));
    QVERIFY(outdated_skin(old, 13));
    QVERIFY(outdated_skin(earlier_skin(13), 13));
    QVERIFY(!outdated_skin(old + "QLabel { color: red; }\n", 13));
    QVERIFY(!outdated_skin(carried_skin(13), 13));
  }

  // A single album downloads inside the click handler; closing the window ends it.
  void closingDuringASingleAlbumEndsIt() {
    set_clock(nullptr);
    auto& m = site->add_member("one");
    auto& a = site->add_album(m, "stuck", 3, 16, 16);
    site->set_fault(a.pictures[1].url, {0, 0, false, true});  // stalls mid-body
    site->start();
    set_connect_to(site->connect_to());
    get<QLineEdit>(c::编辑框_保存位置)->setText(QString::fromStdString(save.string()));
    get<QLineEdit>(c::编辑框_号码)->setText(q(a.url));
    // Closed once the first picture is in and the second one, which stalls, is asked for.
    QElapsedTimer since_close;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, w.get(), [&] {
      if (since_close.isValid() || get<QProgressBar>(c::进度条1)->value() < 2) return;
      since_close.start();
      w->close();
    });
    poll.start(20);
    click(c::按钮_获取相册封面);
    QVERIFY(since_close.isValid());
    QVERIFY(since_close.elapsed() < 1000);
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
