// The window's form: every control with its name, place, size, text and look.
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/qt/album_tree.h"
#include "app/qt/link_label.h"
#include "app/qt/qt_window.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/form_texts.h"
#include "platform/program.h"

namespace af {
namespace {

namespace c = ctl;

QString q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

QFont face(int pixels, bool bold = false) {
  QFont f(QStringLiteral("WenQuanYi Micro Hei"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

// Shrinks a label's face until its text fits its rectangle: the form's geometry is
// fixed, and the faces it was drawn with (Cambria among them) are not on every desktop.
void fit_to_rectangle(QLabel* l) {
  QFont f = l->font();
  for (int px = QFontInfo(f).pixelSize(); px >= 8; --px) {
    f.setPixelSize(px);
    QSize need = label_text_size(*l, f);
    if (need.height() <= l->contentsRect().height() && need.width() <= l->contentsRect().width())
      break;
  }
  l->setFont(f);
}

// The help text's blank lines at a third of a line: all of it fits its label in a face
// that is still easy to read.
QString dense_help(const QString& text) {
  QString html;
  for (const QString& line : text.split(QChar('\n'))) {
    html += line.trimmed().isEmpty() ? QStringLiteral("<div style=\"font-size:4px\">&nbsp;</div>")
                                     : QStringLiteral("<div style=\"white-space:pre\">") +
                                           line.toHtmlEscaped() + QStringLiteral("</div>");
  }
  return html;
}

// Hands an address or folder to the desktop; when it cannot open it (no xdg-open, no
// handler), a message box says so and shows what was to be opened.
void open_or_say(const QUrl& url, const QString& shown) {
  if (QDesktopServices::openUrl(url)) return;
  message_box(from_q(q("无法打开：") + shown + q("\n\n桌面没有能打开它的程序，请手动打开。")));
}

QPixmap badge(int w, int h, QColor color, const QString& text) {
  QPixmap p(w, h);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setBrush(color);
  g.setPen(Qt::NoPen);
  g.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), h / 4.0, h / 4.0);
  g.setPen(Qt::white);
  g.setFont(face(std::max(10, h / 2), true));
  g.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
  return p;
}

const char* help_text =
    "\r\n"
    "\r\n"
    "  本软件支持以下两种网易摄影地址的下载：\r\n"
    "\r\n"
    "  ----------------------------------------------------\r\n"
    "\r\n"
    "  1：可以下载用户主页如:http://sheying.pp.163.com/ \r\n"
    "\r\n"
    "\r\n"
    "\r\n"
    "  2：可以下载单个作品的页面如：  http://pp.163.com/sheying/pp/12345678.html \r\n"
    "\r\n"
    "\r\n";

}  // namespace

void QtWindow::build_form() {
  setWindowTitle(q("网易摄影相册下载器"));
  setWindowIcon(program_icon());
  setFixedSize(950, 586);
  setFont(face(12));

  auto reg = [this](QWidget* w, std::string_view name, int x, int y, int width, int height) {
    w->setObjectName(q(name));
    w->setGeometry(x, y, width, height);
    controls_[std::string(name)] = w;
    return w;
  };
  auto label = [&](QWidget* parent, std::string_view name, int x, int y, int w, int h) {
    auto* l = new QLabel(q(form_caption(name)), parent);
    l->setTextFormat(Qt::PlainText);
    reg(l, name, x, y, w, h);
    return l;
  };
  // Buttons, check boxes and group boxes differ only in their class.
  auto titled = [&](auto* widget, std::string_view name, int x, int y, int w, int h) {
    reg(widget, name, x, y, w, h);
    return widget;
  };
  auto button = [&](QWidget* parent, std::string_view name, int x, int y, int w, int h) {
    return titled(new QPushButton(q(form_caption(name)), parent), name, x, y, w, h);
  };
  auto check = [&](QWidget* parent, std::string_view name, int x, int y, int w, int h) {
    return titled(new QCheckBox(q(form_caption(name)), parent), name, x, y, w, h);
  };
  auto group = [&](QWidget* parent, std::string_view name, int x, int y, int w, int h) {
    return titled(new QGroupBox(q(form_caption(name)), parent), name, x, y, w, h);
  };

  auto* tabs = new QTabWidget(this);
  reg(tabs, c::高级选择夹1, 2, 2, 933, 567);
  tabs->setIconSize(QSize(30, 30));
  auto* page1 = new QWidget;
  auto* page2 = new QWidget;
  tabs->addTab(page1, QIcon(badge(30, 30, QColor(0xd9, 0x3a, 0x3a), q("摄"))), q("  网易摄影  "));
  tabs->addTab(page2, QIcon(badge(30, 30, QColor(0x3a, 0x9a, 0x4a), q("?"))), q("帮助与设置"));
  // The form places page controls relative to the whole tab control; Qt's pages begin
  // below the tab bar.
  const int dy = tabs->tabBar()->sizeHint().height() + 2;
  const int dx = 2;

  auto* g2 = group(page1, c::分组框2, 10 - dx, 40 - dy, 915, 55);
  label(g2, c::标签2, 4, 17, 32, 24);
  auto* number = new QLineEdit(g2);
  reg(number, c::编辑框_号码, 42, 15, 267, 29);
  number->setFont(face(16));
  button(g2, c::按钮_获取相册封面, 318, 12, 84, 32);
  button(g2, c::按钮_下载选中, 417, 12, 81, 32);
  button(g2, c::按钮_继续下载, 428, 10, 71, 32);
  button(g2, c::按钮_暂停线程, 432, 10, 68, 32);
  label(g2, c::标签_保存路径, 525, 8, 57, 32);
  reg(new QLineEdit(g2), c::编辑框_保存位置, 587, 8, 187, 32);
  button(g2, c::按钮_选择位置, 777, 8, 52, 32);
  button(g2, c::按钮_打开目录, 838, 8, 63, 32);

  auto* g3 = group(page1, c::分组框3, 10 - dx, 101 - dy, 915, 458);
  check(g3, c::选择框_全选, 16, 22, 46, 16);
  check(g3, c::选择框_反选, 76, 22, 46, 16);
  check(g3, c::选择框_有封面, 138, 22, 194, 16);
  auto* status = label(g3, c::标签_动态, 396, 13, 462, 24);
  status->setFont(face(12, true));
  status->setStyleSheet(QStringLiteral("color: #0000ff;"));

  auto* albums = new AlbumTree(g3);
  reg(albums, c::超级列表框1, 10, 41, 681, 378);
  albums->setFont(face(16));
  albums->setRootIsDecorated(false);
  albums->setUniformRowHeights(true);  // thousands of rows must not be measured one by one
  albums->setColumnCount(8);
  QStringList headers;
  for (std::string_view h : column_headers) headers << q(h);
  albums->setHeaderLabels(headers);
  albums->header()->setStretchLastSection(false);
  for (int i = 0; i < 8; ++i) {
    albums->setColumnWidth(i, column_widths[i]);
    albums->setColumnHidden(i, column_widths[i] == 0);
  }
  auto* board = new QWidget(g3);
  reg(board, c::画板1, 455, 107, 112, 88);

  auto* g1 = group(g3, c::分组框1, 700, 36, 210, 383);
  label(g1, c::标签3, 8, 12, 88, 19);
  auto* log = new QPlainTextEdit(g1);
  reg(log, c::编辑框_操作记录, 6, 42, 196, 309);
  log->setReadOnly(true);
  log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log->setStyleSheet(QStringLiteral("background: white;"));
  log->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  label(g3, c::标签_进度, 7, 418, 56, 35);
  auto* bar = new QProgressBar(g3);
  reg(bar, c::进度条1, 74, 423, 280, 24);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  label(g3, c::标签_进度条比例, 359, 424, 41, 23);
  label(g3, c::标签_选择了相册数量, 404, 424, 144, 23);
  label(g3, c::标签_正在下载相册, 554, 424, 110, 23);
  label(g3, c::标签_第多少张照片, 666, 424, 95, 23);
  label(g3, c::标签8, 778, 422, 95, 24);

  auto* g7 = group(page2, c::分组框7, 14 - dx, 46 - dy, 856, 481);
  auto* help = label(g7, c::标签1, 8, 28, 840, 143);
  help->setTextFormat(Qt::RichText);
  help->setText(dense_help(q(help_text).remove(QChar('\r'))));
  help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* g5 = group(g7, c::分组框5, 8, 187, 344, 223);
  // Off by default: a download overwrites, as it always has; on, a second run fetches
  // only what the album's record cannot prove is already there.
  check(g7, c::选择框_跳过已下载, 8, 420, 300, 28);
  label(g5, c::标签6, 8, 42, 64, 26);
  auto* contact = button(g5, c::按钮_联系客服, 78, 42, 84, 24);
  contact->setIcon(QIcon(badge(84, 24, QColor(0x1e, 0x90, 0xff), q("在线咨询"))));
  contact->setIconSize(QSize(84, 24));
  contact->setFlat(true);
  label(g5, c::标签9, 8, 89, 159, 24);
  auto* link = new LinkLabel(q(maker_web_address), g5);
  link->setTextFormat(Qt::PlainText);
  reg(link, c::标签7, 8, 132, 165, 20);
  QFont lf(QStringLiteral("Cambria"));
  lf.setPixelSize(14);
  lf.setUnderline(true);
  link->setFont(lf);
  // A darker blue than the form's rgb(0, 136, 255), which is too pale to read on white.
  link->setStyleSheet(
      QStringLiteral("QLabel { color: #0066cc; border: 1px solid transparent; }"
                     " QLabel:focus { border: 1px solid #0066cc; }"));
  link->setCursor(Qt::PointingHandCursor);
  link->pressed = [] { open_or_say(QUrl(q(maker_web_address)), q(maker_web_address)); };
  label(g5, c::标签10, 8, 170, 71, 32);

  auto* g4 = group(g7, c::分组框4, 360, 187, 488, 223);
  label(g4, c::标签5, 313, 34, 60, 40);
  label(g4, c::标签_banben, 377, 34, 95, 40);
  label(g4, c::标签_xinbanben, 313, 82, 60, 40);
  label(g4, c::标签_zxbanben, 377, 82, 95, 40);
  button(g4, c::按钮_checknew, 313, 129, 159, 40);
  label(g4, c::标签_banbenjieguo, 312, 182, 160, 24)
      ->setStyleSheet(QStringLiteral("color: #cc0000;"));  // rgb(255, 0, 0) is too pale on white
  for (const FormText& f : form_texts)
    if (f.hidden) control(f.control)->hide();
}

void QtWindow::fit_labels() {
  for (auto& [name, widget] : controls_)
    if (auto* l = qobject_cast<QLabel*>(widget)) fit_to_rectangle(l);
}

void QtWindow::connect_handlers() {
  auto on_click = [this](std::string_view name, std::function<void()> f) {
    auto* b = qobject_cast<QAbstractButton*>(control(name));
    QObject::connect(b, &QAbstractButton::clicked, this, [f = std::move(f)] { f(); });
  };
  on_click(c::按钮_获取相册封面, [] { classify_address(); });
  on_click(c::按钮_下载选中, [] { download_start(); });
  on_click(c::选择框_全选, [] { select_all_rows(); });
  on_click(c::选择框_反选, [] { invert_rows(); });
  // The second click of a double-click on 2：下载选中 (or on either of these) lands on
  // the button that has just taken its place; it is not meant for it.
  on_click(c::按钮_暂停线程, [this] {
    if (!just_shown(c::按钮_暂停线程)) pause_download();
  });
  on_click(c::按钮_继续下载, [this] {
    if (!just_shown(c::按钮_继续下载)) continue_download();
  });
  on_click(c::按钮_checknew, [] { check_for_update(); });
  on_click(c::按钮_联系客服,
           [] { open_or_say(QUrl(q(maker_contact_address)), q(maker_contact_address)); });
  on_click(c::按钮_选择位置, [this] {
    // The dialog opens where the pictures go now, not at the root.
    Text start = resolve_save_location(text(c::编辑框_保存位置));
    set_browse_start_folder(start);
    QString path = QFileDialog::getExistingDirectory(
        this, q("选择相册的存放位置"), QString::fromStdString(native_path(start).string()));
    set_text(c::编辑框_保存位置, from_q(path.trimmed()));
    if (text(c::编辑框_保存位置).empty()) set_text(c::编辑框_保存位置, default_save_location());
  });
  on_click(c::按钮_打开目录, [this] {
    Text folder = resolve_save_location(text(c::编辑框_保存位置));
    QString path = QString::fromStdString(native_path(folder).string());
    open_or_say(QUrl::fromLocalFile(path), path);
  });
}

}  // namespace af
