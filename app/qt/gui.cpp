#include "app/qt/gui.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/qt/qt_window.h"
#include "app/qt/skin.h"
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

int run_window(int argc, char** argv, const WindowOptions& options) {
  QApplication app(argc, argv);
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
