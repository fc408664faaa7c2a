// Covers across a network: a listing with covers against one without, the covers against
// a browser-like client of six kept-alive connections, a silent thumbnail service, the
// connections opened, and the memory of 5,000 rows with covers.
#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/community/community.h"
#include "app/headless_window.h"
#include "app/qt/qt_window.h"
#include "bench/common.h"
#include "bench/latency_relay.h"
#include "http/cover_reads.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"

using namespace af;
using SteadyClock = std::chrono::steady_clock;

namespace {

double since(SteadyClock::time_point t0) {
  return std::chrono::duration<double>(SteadyClock::now() - t0).count();
}

std::string picture_address(int i) {
  return "http://img.ph.126.net/p" + std::to_string(i) + ".jpg";
}

// A kept-alive server with a member of `albums` albums and the thumbnail service, which
// answers or, when silent, keeps every cover request waiting.
struct Site {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  std::string home;
  std::vector<std::string> covers;
  std::mutex m;
  std::condition_variable cv;
  bool silent = false, stopping = false;

  explicit Site(int albums) {
    home = "<html><body><ul>\n";
    for (int i = 0; i < albums; ++i)
      home += "<li><a><img imgUrl=\"" + picture_address(i) +
              "\" onerror=\"this.src=x\"/></a> <div class=\"cover f-trans j-cover\" ></div> "
              "<a href=\"http://pp.163.com/m/pp/" +
              std::to_string(i) + ".html\" title=\"t<em>album " + std::to_string(i) +
              "</em></a></li>\n";
    home += "</ul></body></html>";
    for (int i = 0; i < 16; ++i) {
      Bytes j = community::make_jpeg(100, 100, static_cast<unsigned>(i), 95);
      covers.emplace_back(j.begin(), j.end());
    }
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server.set_keep_alive_max_count(100000);
    server.Get(".*", [this](const httplib::Request& rq, httplib::Response& res) {
      if (rq.get_header_value("Host") == thumbnail_host) {
        std::unique_lock lock(m);
        if (silent) {
          cv.wait(lock, [&] { return stopping || !silent; });
          res.status = 503;
          return;
        }
        const std::string& c = covers[std::hash<std::string>{}(rq.target) % covers.size()];
        res.set_content(c, "image/jpeg");
        return;
      }
      res.set_content(home, "text/html");
    });
    port = server.bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { server.listen_after_bind(); });
  }
  void set_silent(bool s) {
    std::lock_guard lock(m);
    silent = s;
    cv.notify_all();
  }
  ~Site() {
    {
      std::lock_guard lock(m);
      stopping = true;
    }
    cv.notify_all();
    server.stop();
    thread.join();
  }
};

struct Listing {
  double rows_s = 0;   // until every row stands and the closing status is written
  double whole_s = 0;  // until the last cover is in
  long connections = 0;
  int covers = 0;
};

Listing list_once(bench::LatencyRelay& relay, bool with_covers) {
  HeadlessWindow w;
  set_current_window(&w);
  w.set_checked(ctl::选择框_有封面, with_covers);
  w.set_text(ctl::编辑框_号码, "m.pp.163.com");
  long before = relay.connections();
  Listing l;
  auto t0 = SteadyClock::now();
  classify_address();
  WorkerHandle worker = list_worker();
  const Text done = GBK("相册获取完毕");
  while (!worker->finished.load()) {
    if (l.rows_s == 0 && w.control(ctl::标签_动态).text.rfind(done, 0) == 0) l.rows_s = since(t0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  l.whole_s = since(t0);
  if (l.rows_s == 0) l.rows_s = l.whole_s;
  l.connections = relay.connections() - before;
  auto list = w.control(ctl::超级列表框1);
  for (auto& r : list.rows) l.covers += r.picture >= 0;
  set_current_window(nullptr);
  return l;
}

// A browser's way: six kept-alive connections taking the covers in turn.
double six_connection_baseline(int albums) {
  std::atomic<int> next{0};
  auto t0 = SteadyClock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < cover_connections; ++c)
    clients.emplace_back([&] {
      RequestContext context;
      for (int i; (i = next++) < albums;) {
        TransferRequest rq;
        cover_request("http://" + std::string(thumbnail_host) + "/?imgurl=" + picture_address(i) +
                          "_100x100x1x95.jpg",
                      rq);
        perform_transfer(rq, &context);
      }
    });
  for (auto& t : clients) t.join();
  return since(t0);
}

double thread_cpu_ms() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The window, timing every trip that puts covers into rows.
struct TimedWindow : QtWindow {
  double longest_ms = 0;
  void do_set_row_covers(std::string_view l, const std::vector<RowCover>& covers) override {
    // The window thread's own time: on a busy machine the wall clock counts other work.
    double t0 = thread_cpu_ms();
    QtWindow::do_set_row_covers(l, covers);
    longest_ms = std::max(longest_ms, thread_cpu_ms() - t0);
  }
};

struct WindowFigures {
  long peak = -1;            // bytes resident at the most
  double cover_trip_ms = 0;  // the longest trip putting covers into rows
  double gap_ms = 0;         // the longest the window thread was away while covers arrived
};

// In a child process: the window lists `albums` albums with covers from a loopback site.
WindowFigures window_with_covers(int albums) {
  WindowFigures f;
  int fds[2];
  if (::pipe(fds) != 0) return f;
  pid_t pid = ::fork();
  if (pid == 0) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "bench_cover";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Site site(albums);
    set_connect_to("127.0.0.1:" + std::to_string(site.port));
    {
      TimedWindow w;
      set_current_window(&w);
      w.show();
      w.set_checked(ctl::选择框_有封面, true);
      w.set_text(ctl::编辑框_号码, "m.pp.163.com");
      classify_address();
      WorkerHandle worker = list_worker();
      QElapsedTimer clock;
      clock.start();
      qint64 last = 0, worst = 0;
      const Text done = GBK("相册获取完毕");
      bool covers_phase = false;
      QTimer tick;
      tick.setInterval(1);
      QObject::connect(&tick, &QTimer::timeout, [&] {
        qint64 now = clock.elapsed();
        if (covers_phase) worst = std::max(worst, now - last);
        last = now;
      });
      tick.start();
      while (!worker->finished.load()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!covers_phase && w.text(ctl::标签_动态).rfind(done, 0) == 0) {
          covers_phase = true;
          last = clock.elapsed();
        }
      }
      rusage ru{};
      ::getrusage(RUSAGE_SELF, &ru);
      f.peak = ru.ru_maxrss * 1024;
      f.cover_trip_ms = w.longest_ms;
      f.gap_ms = static_cast<double>(worst);
      (void)!::write(fds[1], &f, sizeof f);
      exit_cleanup();
      set_current_window(nullptr);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  (void)!::read(fds[0], &f, sizeof f);
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  int delay_ms = argc > 1 ? std::atoi(argv[1]) : 50;  // each way
  const int albums = 200;

  WindowFigures f = window_with_covers(5000);
  std::printf(
      "5,000 rows with covers in the window: the window thread was away %.0f ms at "
      "the most while covers arrived (laying out the listing's log included)\n",
      f.gap_ms);
  bench::report("peak memory, 5,000 rows with covers, MiB", f.peak / 1048576.0, 270);
  bench::report("longest trip putting covers into rows, ms of window-thread time", f.cover_trip_ms,
                16);

  Site site(albums);
  bench::LatencyRelay relay(site.port, delay_ms);
  set_connect_to("127.0.0.1:" + std::to_string(relay.port()));
  std::printf("%d albums, %d ms each way (a %d ms round trip)\n", albums, delay_ms, 2 * delay_ms);

  Listing off = list_once(relay, false);
  Listing on = list_once(relay, true);
  long baseline_connections_before = relay.connections();
  double baseline = six_connection_baseline(albums);
  long baseline_connections = relay.connections() - baseline_connections_before;
  double all_covers = on.whole_s - on.rows_s;
  std::printf(
      "covers off: %.2f s; covers on: rows %.2f s, all %d covers %.2f s later; "
      "six kept-alive connections: %.2f s (%ld connections)\n",
      off.whole_s, on.rows_s, on.covers, all_covers, baseline, baseline_connections);
  bench::report("covers-on whole list / covers-off", on.rows_s / off.whole_s, 1.2);
  bench::report("all covers / six-connection keep-alive baseline", all_covers / baseline, 1.3);
  bench::report("connections opened by a covers-on listing", static_cast<double>(on.connections),
                1 + cover_connections);

  site.set_silent(true);
  Listing silent = list_once(relay, true);
  site.set_silent(false);
  std::printf("silent thumbnail service: rows %.2f s, listing ends after %.2f s\n", silent.rows_s,
              silent.whole_s);
  bench::report("list with a silent thumbnail service / covers-off", silent.rows_s / off.whole_s,
                1.2);

  exit_cleanup();
  set_connect_to("");
  return bench::finish();
}
