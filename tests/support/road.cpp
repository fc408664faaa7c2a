#include "tests/support/road.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "albums/classify.h"
#include "albums/state.h"
#include "download/batch.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

namespace af::test {

static int road_counter = 0;

Road::Road() {
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

void Road::wait_list() {
  WorkerHandle w = list_worker();
  while (w && !w->finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void Road::download_batch() {
  window.report(ButtonsEvent{DownloadButtonState::running});
  set_download_worker(start_worker([] { download_selected(); }));
  WorkerHandle w = download_worker();
  while (!w->finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::string Road::log_utf8() {
  return gbk_to_utf8(window.log());
}

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace af::test
