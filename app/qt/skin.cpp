#include "app/qt/skin.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "app/qt/contrast.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/program.h"

namespace af {

QString earlier_skin(int number) {
  if (number < 1 || number > skin_count) return {};
  QColor accent = QColor::fromHsv((number * 360 / skin_count + 69) % 360, 150, 190);
  QColor light = accent.lighter(185);
  QColor dark = accent.darker(140);
  QString s = QStringLiteral(
      "QWidget#albumfetch { background: %1; }\n"
      "QTabWidget::pane { border: 1px solid %3; background: #fbfcfe; }\n"
      "QTabBar::tab { background: %1; border: 1px solid %3; padding: 4px 14px; margin-right: 2px;"
      " border-top-left-radius: 4px; border-top-right-radius: 4px; }\n"
      "QTabBar::tab:selected { background: #fbfcfe; border-bottom-color: #fbfcfe; }\n"
      "QGroupBox { border: 1px solid %3; border-radius: 4px; margin-top: 6px; background: #ffffff; "
      "}\n"
      "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %4; }\n"
      "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 "
      "%1);"
      " border: 1px solid %3; border-radius: 4px; padding: 2px 6px; color: %4; }\n"
      "QPushButton:hover { background: %1; }\n"
      "QPushButton:pressed { background: %2; color: white; }\n"
      "QPushButton:flat { border: none; background: transparent; }\n"
      "QLineEdit { border: 1px solid %3; border-radius: 3px; padding: 2px 4px; background: white; "
      "}\n"
      "QLineEdit:focus { border-color: %2; }\n"
      "QTreeWidget { border: 1px solid %3; background: white; alternate-background-color: %1; }\n"
      "QHeaderView::section { background: %1; border: none; border-right: 1px solid %3;"
      " border-bottom: 1px solid %3; padding: 3px; color: %4; }\n"
      "QProgressBar { border: 1px solid %3; border-radius: 3px; background: white; }\n"
      "QProgressBar::chunk { background: %2; }\n"
      "QPlainTextEdit { border: 1px solid %3; }\n"
      "QTreeView::indicator { width: 13px; height: 13px; border: 2px solid %4; border-radius: 2px;"
      " }\n"
      "QTreeView::indicator:unchecked { background: white; }\n"
      "QTreeView::indicator:checked { background: %4; }\n");
  return s.arg(light.name(), accent.name(), accent.lighter(140).name(), dark.name());
}

SkinColours skin_colours(int number) {
  SkinColours k;
  // Each skin is one accent colour over a light face; number 13 is a calm blue. Where a
  // colour of the face would not stand out enough against what lies behind it, it is
  // made darker in the same hue, just as far as needed.
  auto drawn = [](const QColor& c) { return QColor::fromString(c.name()); };
  k.accent = drawn(QColor::fromHsv((number * 360 / skin_count + 69) % 360, 150, 190));
  k.light = drawn(k.accent.lighter(185));
  k.selected = drawn(k.accent.lighter(150));
  const QColor white(Qt::white), page(0xfb, 0xfc, 0xfe);
  k.frame = deepen(k.accent.lighter(140), {white, page, k.light}, mark_contrast);
  k.dark = deepen(k.accent.darker(140), {white, page, k.light}, text_contrast);
  k.dark = deepen(k.dark, {k.selected}, mark_contrast);  // ticks and focus on a selected row
  k.pressed = deepen(k.accent, {white}, text_contrast);
  k.chunk = deepen(k.accent, {white}, mark_contrast);
  return k;
}

QString carried_skin(int number) {
  if (number < 1 || number > skin_count) return {};
  SkinColours k = skin_colours(number);
  QString s = QStringLiteral(
      "QWidget#albumfetch { background: %1; }\n"
      "QTabWidget::pane { border: 1px solid %3; background: #fbfcfe; }\n"
      "QTabBar::tab { background: %1; border: 1px solid %3; padding: 4px 14px; margin-right: 2px;"
      " border-top-left-radius: 4px; border-top-right-radius: 4px; color: #000000; }\n"
      "QTabBar::tab:selected { background: #fbfcfe; border-bottom-color: #fbfcfe; }\n"
      "QTabBar::tab:focus { border: 2px solid %4; }\n"
      "QGroupBox { border: 1px solid %3; border-radius: 4px; margin-top: 6px; background: #ffffff; "
      "}\n"
      "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %4; }\n"
      "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 "
      "%1);"
      " border: 1px solid %3; border-radius: 4px; padding: 2px 6px; color: %4; }\n"
      "QPushButton:hover { background: %1; }\n"
      "QPushButton:pressed { background: %2; color: #ffffff; }\n"
      "QPushButton:focus { border: 2px solid %4; }\n"
      "QPushButton:flat { border: 2px solid transparent; background: transparent; }\n"
      "QPushButton:flat:focus { border: 2px solid %4; }\n"
      "QCheckBox { border: 1px solid transparent; }\n"
      "QCheckBox:focus { border: 1px solid %4; }\n"
      "QLineEdit { border: 1px solid %3; border-radius: 3px; padding: 2px 4px; background: "
      "#ffffff; "
      "}\n"
      "QLineEdit:focus { border: 2px solid %4; }\n"
      "QTreeWidget { border: 1px solid %3; background: #ffffff; alternate-background-color: %1;"
      " selection-background-color: %5; selection-color: #000000; }\n"
      "QTreeWidget:focus { border: 2px solid %4; }\n"
      "QTreeView::item:focus { border-top: 2px solid %4; border-bottom: 2px solid %4; }\n"
      "QHeaderView::section { background: %1; border: none; border-right: 1px solid %3;"
      " border-bottom: 1px solid %3; padding: 3px; color: %4; }\n"
      "QProgressBar { border: 1px solid %3; border-radius: 3px; background: #ffffff; }\n"
      "QProgressBar::chunk { background: %6; }\n"
      "QPlainTextEdit { border: 1px solid %3; }\n"
      "QPlainTextEdit:focus { border: 2px solid %4; }\n"
      // A row's tick reads at a glance: an empty white box, or a filled one with a mark.
      "QTreeView::indicator { width: 13px; height: 13px; border: 2px solid %4; border-radius: 2px;"
      " }\n"
      "QTreeView::indicator:unchecked { background: #ffffff; }\n"
      "QTreeView::indicator:checked { background: %4; image: url(:/skin/tick.svg); }\n");
  return s.arg(k.light.name(), k.pressed.name(), k.frame.name(), k.dark.name(), k.selected.name(),
               k.chunk.name());
}

QString skin_file_path() {
  // Installed, the program's folder is the system's: the skin lives with the user's data.
  QString dir = running_installed()
                    ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                    : QString::fromStdString(native_path(program_directory()).string());
  QDir().mkpath(dir);
  return dir + QStringLiteral("/.albumfetch-skin.qss");
}

bool outdated_skin(const QString& existing, int number) {
  // Earlier builds wrote the sheet of earlier_skin, the first of them without its
  // row-tick rules at the end. A file that is exactly such a sheet was never edited and
  // may be brought up to date; any other file is the user's and stays as it is.
  QString earlier = earlier_skin(number);
  qsizetype ticks = earlier.indexOf(QStringLiteral("QTreeView::indicator"));
  return ticks > 0 && (existing == earlier || existing == earlier.left(ticks));
}

void attach_skin(int number) {
  QString path = skin_file_path();
  Text gbk = utf8_to_gbk(std::string_view(path.toStdString()));
  QFile old(path);
  bool refresh =
      old.open(QIODevice::ReadOnly) && outdated_skin(QString::fromUtf8(old.readAll()), number);
  old.close();
  if (!file_exists(gbk) || refresh) {
    QByteArray data = carried_skin(number).toUtf8();
    Bytes bytes(data.begin(), data.end());
    if (write_file(gbk, bytes)) set_file_attributes(gbk, attribute_hidden);
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return;  // the system look stays
  qApp->setStyleSheet(QString::fromUtf8(f.readAll()));
}

}  // namespace af
