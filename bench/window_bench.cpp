// The window stays responsive while workers fill it, and the log takes many lines.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/community/community.h"
#include "app/headless_window.h"
#include "app/qt/qt_window.h"
#include "bench/common.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/delay.h"
#include "platform/files.h"

using namespace af;

namespace {

// Runs the event loop until `done`, returning the longest gap between two ticks of a
// 10 ms timer on the window thread.
double longest_gap_ms(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, worst = 0;
  QTimer tick;
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    qint64 now = clock.elapsed();
    worst = std::max(worst, now - last);
    last = now;
  });
  tick.start();
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return static_cast<double>(worst);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  community::Community site;
  auto& m = site.add_member("big");
  for (int i = 0; i < 5000; ++i)
    site.add_album(m, "相册" + std::to_string(i), i < 3 ? 40 : 0, 16, 16);
  site.start();
  set_connect_to(site.connect_to());

  // The same listing on the headless window: the baseline.
  double headless_s = 0;
  {
    HeadlessWindow h;
    set_current_window(&h);
    h.set_text(ctl::编辑框_号码, "big.pp.163.com");
    QElapsedTimer t;
    t.start();
    classify_address();
    while (!list_worker()->finished.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    headless_s = t.elapsed() / 1000.0;
    set_current_window(nullptr);
  }

  QtWindow w;
  set_current_window(&w);
  w.show();
  std::string save = "/tmp/albumfetch-bench-window";
  w.set_text(ctl::编辑框_保存位置, save);
  w.set_text(ctl::编辑框_号码, "big.pp.163.com");
  QElapsedTimer phase;
  phase.start();
  classify_address();
  double listing = longest_gap_ms([] { return list_worker()->finished.load(); });
  double window_s = phase.elapsed() / 1000.0;
  std::printf("listed %d albums in %.2f s; headless %.2f s\n", w.row_count(ctl::超级列表框1),
              window_s, headless_s);
  bench::report("window listing / headless listing, 5,000 albums", window_s / headless_s, 1.5);
  bench::report("longest timer gap while listing 5,000 albums, ms", listing, 50);

  for (int r = 3; r < w.row_count(ctl::超级列表框1); ++r)
    w.set_row_checked(ctl::超级列表框1, r, false);
  QtWindow::message_hook = [](const QString&, const QString&) { return 0; };
  download_start();
  phase.restart();
  double batch = longest_gap_ms([] { return download_worker()->finished.load(); });
  std::printf("batch of 3 albums in %.1f s\n", phase.elapsed() / 1000.0);
  bench::report("longest timer gap while a batch runs, ms", batch, 100);

  const int lines = 100000;
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < lines; ++i)
    w.append_log(ctl::编辑框_操作记录, GBK("获取相册：") + to_text(i) + "\r\n");
  double mean = static_cast<double>(t.nsecsElapsed()) / lines / 1e6;
  bench::report("mean time of one of 100,000 log appends, ms", mean, 1.0);

  exit_cleanup();
  set_current_window(nullptr);
  set_connect_to("");
  site.stop();
  std::filesystem::remove_all(save);
  return bench::finish();
}
