#include "app/qt/message_box.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>

namespace af {

int show_message_box(QWidget* parent, const QString& text, const QString& caption, int buttons,
                     bool modeless) {
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  switch (buttons & 0x0F) {
    case 1:
      set = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case 3:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
    case 4:
      set = QMessageBox::Yes | QMessageBox::No;
      break;
    default:
      break;
  }
  QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Information, caption, text, set, parent);
  int answer = QMessageBox::Ok;
  if (modeless) {
    box->setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(box, &QMessageBox::finished, &loop, [&](int r) {
      answer = r;
      loop.quit();
    });
    QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    box->show();
    loop.exec();  // the window's own events go on meanwhile
  } else {
    answer = box->exec();
  }
  delete box;  // null when the window took it with it
  switch (answer) {
    case QMessageBox::Cancel:
      return 1;
    case QMessageBox::Yes:
      return 5;
    case QMessageBox::No:
      return 6;
    default:
      return 0;
  }
}

}  // namespace af
