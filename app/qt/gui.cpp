#include "app/qt/gui.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/qt/qt_window.h"
#include "app/qt/skin.h"
#include "app/qt/translation.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/delay.h"

namespace af {

void on_window_created(int settle_ms) {
  attach_skin(13);
  if (Window* w = current_window()) w->set_text(ctl::编辑框_保存位置, default_save_location());
  pump_delay(settle_ms);
  process_pending_messages();
}

namespace {

// Lists the albums the way a click would, waits for the listing, then saves the window.
void take_screenshot(QtWindow& w, const std::string& file) {
  if (!w.text(ctl::编辑框_号码).empty()) {
    classify_address();
    WorkerHandle lw = list_worker();
    for (int i = 0; lw && !lw->finished && i < 3000; ++i) pump_delay(10);
    // One row unticked, so the picture shows both states of a row's tick.
    if (w.row_count(ctl::超级列表框1) > 2) w.set_row_checked(ctl::超级列表框1, 2, false);
    pump_delay(200);
  }
  w.grab().save(QString::fromStdString(file), "PNG");
}

}  // namespace

namespace {

// Qt ends the process with an abort when no display can be reached; while the
// application starts, that becomes one clear line and status 1.
void no_display_handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    // The platform plugin's own account of a failed connection would bury the one line.
    if (!context.category || std::strncmp(context.category, "qt.qpa", 6) != 0)
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  std::fputs(no_display_message, stderr);
  std::_Exit(1);
}

}  // namespace

int run_window(int argc, char** argv, const WindowOptions& options) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!platform || !*platform) && (!display || !*display) && (!wayland || !*wayland)) {
    std::fputs(no_display_message, stderr);
    return 1;
  }
  QtMessageHandler previous = qInstallMessageHandler(no_display_handler);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  QApplication::setApplicationName(QStringLiteral("albumfetch"));
  QApplication::setApplicationVersion(QStringLiteral(ALBUMFETCH_VERSION));
  // The desktop entry's name, so the desktop matches the window to its entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("albumfetch"));
  QApplication::setWindowIcon(program_icon());
  install_qt_translation(QLocale::system());
  int rc = 0;
  {
    QtWindow w;
    w.setObjectName(QStringLiteral("albumfetch"));
    set_current_window(&w);
    if (!options.address.empty())
      w.set_text(ctl::编辑框_号码, utf8_to_gbk(std::string_view(options.address)));
    w.show();
    QTimer::singleShot(0, &w, [&w, &options] {
      on_window_created(options.screenshot.empty() ? options.settle_ms : 100);
      if (!options.screenshot.empty()) {
        take_screenshot(w, options.screenshot);
        w.close();
      }
    });
    rc = app.exec();
    exit_cleanup();
    set_current_window(nullptr);
  }
  return rc;
}

}  // namespace af
