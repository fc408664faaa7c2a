#include "app/commands.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "albums/listing_covers.h"
#include "albums/state.h"
#include "download/album.h"
#include "download/batch.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/window.h"
#include "platform/worker.h"

namespace af {
namespace {

namespace c = ctl;

void set_buttons(DownloadButtonState state) {
  tell(ButtonsEvent{state});
}

}  // namespace

AddressKind classify_address() {
  return classify_entered_address(
      [](const Text& address, const Text& title) { download_album(address, title); });
}

void download_start() {
  if (!current_window()) return;
  stop_listing_covers();  // the batch reads the rows, never their covers
  set_buttons(DownloadButtonState::running);
  set_download_worker(start_worker([] { download_selected(); }));
}

void select_all_rows() {
  Window* w = current_window();
  if (!w || !w->checked(c::选择框_全选)) return;
  w->set_checked(c::选择框_反选, false);
  int n = w->row_count(c::超级列表框1);
  for (int i = 0; i < n; ++i) w->set_row_checked(c::超级列表框1, i, true);
}

void invert_rows() {
  Window* w = current_window();
  if (!w || !w->checked(c::选择框_反选)) return;
  w->set_checked(c::选择框_全选, false);
  int n = w->row_count(c::超级列表框1);
  for (int i = 0; i < n; ++i) {
    if (w->row_checked(c::超级列表框1, i)) {
      w->set_row_checked(c::超级列表框1, i, false);
    } else {
      w->set_row_checked(c::超级列表框1, i, true);
    }
  }
}

void pause_download() {
  if (!current_window()) return;
  set_buttons(DownloadButtonState::paused);
  pause_worker(download_worker());
}

void continue_download() {
  if (!current_window()) return;
  stop_listing_covers();  // the batch reads the rows, never their covers
  set_buttons(DownloadButtonState::running);
  resume_worker(download_worker());
}

void check_for_update() {
  Window* w = current_window();
  if (!w) return;
  const Text current(program_version);
  Bytes body = http_fetch("http://" + Text(update_host) + "/albumfetch", 0);
  Text latest = text_between(to_text(body), "##v", "##");
  w->set_text(c::标签_zxbanben, latest);
  if (latest == current) {
    w->set_text(c::标签_banbenjieguo, GBK("是最新版，有问题联系客服"));
    return;
  }
  double diff = static_cast<double>(to_integer(latest)) - static_cast<double>(to_integer(current));
  if (diff > 0.0000001) w->set_text(c::标签_banbenjieguo, GBK("有新版，联系客服获取最新版"));
}

void exit_cleanup() {
  stop_all_workers(2000);
}

}  // namespace af
