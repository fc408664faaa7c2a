#include "tests/support/road.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "download/batch.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

namespace af::test {

static int road_counter = 0;

Road::Road(Time time) : time_(time) {
  if (time_ == driven) set_clock(&clock);
  save = std::filesystem::temp_directory_path() /
         ("af_road_" + std::to_string(::getpid()) + "_" + std::to_string(++road_counter));
  std::filesystem::remove_all(save);
  std::filesystem::create_directories(save);
  set_current_window(&window);
  window.set_text(ctl::编辑框_保存位置, gbk_path(save));
  reset_failure_count();
}

Road::~Road() {
  stop_all_workers(3000);
  if (time_ == driven) set_clock(nullptr);
  set_current_window(nullptr);
  set_connect_to("");
  site.stop();
  std::filesystem::remove_all(save);
}

void Road::start() {
  site.start();
  set_connect_to(site.connect_to());
}

int Road::classify(const std::string& address) {
  window.set_text(ctl::编辑框_号码, utf8_to_gbk(std::string_view(address)));
  AddressKind k = classify_address();
  if (k == AddressKind::member) wait_list();
  return static_cast<int>(k);
}

namespace {
// Waits for a worker to end, failing the test (not hanging it) after a minute.
void wait_worker(const WorkerHandle& w, const char* what) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (w && !w->finished && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (w && !w->finished) ADD_FAILURE() << what << " did not end within 60 s";
}
}  // namespace

void Road::wait_list() {
  wait_worker(list_worker(), "the album-list worker");
}

void Road::download_batch() {
  window.report(ButtonsEvent{DownloadButtonState::running});
  set_download_worker(start_worker([] { download_selected(); }));
  wait_worker(download_worker(), "the batch worker");
}

std::string Road::log_utf8() {
  return gbk_to_utf8(window.log());
}

}  // namespace af::test
