#include "download/album.h"

#include <filesystem>
#include <system_error>

#include "albums/regex_object.h"
#include "albums/state.h"
#include "download/names.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/delay.h"
#include "platform/files.h"
#include "platform/window.h"
#include "platform/worker.h"

namespace af {
namespace {

constexpr int page_attempts = 10;
constexpr int picture_attempts = 3;
constexpr int retry_wait_ms = 2000;
constexpr std::string_view picture_pattern = "{seqindex:(.*?),pictureId:(.*?),url:'(.*?)',";

Text percentage(int position, int maximum) {
  if (maximum <= 0) return "0%";
  return to_text(static_cast<int>(static_cast<long long>(position) * 100 / maximum)) + "%";
}

// A picture that failed, answered with an error, came back empty or as an HTML page is
// tried again; only real picture bytes are ever written.
bool fetch_picture(const Text& url, Bytes& out) {
  for (int attempt = 1; attempt <= picture_attempts; ++attempt) {
    if (current_cancelled()) return false;
    checkpoint();
    int status = 0;
    Text rh;
    Bytes body = http_fetch(url, 0, {}, nullptr, nullptr, nullptr, &rh, &status);
    if (!last_fetch_failed() && status >= 200 && status < 300 && !body.empty() &&
        !looks_like_html(body, rh)) {
      out = std::move(body);
      return true;
    }
    if (attempt < picture_attempts) pump_delay(retry_wait_ms);
  }
  return false;
}

// Written under a temporary name and renamed when complete, so no half-written picture
// ever stands under its final name.
bool save_picture(const Text& folder, const Text& name, const Bytes& data) {
  Text temp = folder + "\\." + name + ".part";
  if (!write_file(temp, data)) {
    std::error_code ec;
    std::filesystem::remove(native_path(temp), ec);
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(native_path(temp), native_path(folder + "\\" + name), ec);
  if (ec) std::filesystem::remove(native_path(temp), ec);
  return !ec;
}

}  // namespace

bool looks_like_html(const Bytes& body, std::string_view response_headers) {
  if (find_text(to_lower(response_headers), "content-type: text/html") != -1) return true;
  size_t i = 0;
  while (i < body.size() &&
         (body[i] == ' ' || body[i] == '\t' || body[i] == '\r' || body[i] == '\n' ||
          body[i] == 0xEF || body[i] == 0xBB || body[i] == 0xBF))
    ++i;
  if (i >= body.size() || body[i] != '<') return false;
  std::string head(body.begin() + static_cast<long>(i),
                   body.begin() + static_cast<long>(std::min(body.size(), i + 512)));
  Text lower = to_lower(head);
  return find_text(lower, "<html") != -1 || find_text(lower, "<!doctype") != -1 ||
         find_text(lower, "<head") != -1 || find_text(lower, "<body") != -1;
}

AlbumOutcome download_album(std::string_view page_address, std::string_view title_in) {
  AlbumOutcome outcome;
  Window* w = current_window();
  if (!w) return outcome;
  namespace c = ctl;
  RegexObject re;
  process_pending_messages();
  w->set_text(c::标签_动态, GBK("网易摄影图片比较大，下载相对慢，耐心等待哈..."));
  w->set_text(c::标签_进度条比例, "");
  w->set_progress_position(c::进度条1, 0);
  w->append_log(c::编辑框_操作记录, GBK("准备下载《") + Text(title_in) + GBK("》\r\n\r\n"));
  Text title = clean_title(title_in);

  Text folder = album_folder(w->text(c::编辑框_保存位置), album_owner(), title);
  bool folder_ok = is_folder(folder);
  if (!folder_ok) {
    Text f = folder;
    folder_ok = make_folder_path(f) || make_folder_path(f);
  }

  Text page;
  for (int attempt = 1; attempt <= page_attempts && !current_cancelled(); ++attempt) {
    page = utf8_to_gbk(http_fetch(page_address, 0));
    if (!page.empty()) break;
    pump_delay(retry_wait_ms);
  }
  if (current_cancelled()) return outcome;

  Text block = text_between(page, "window.pic960List", "};");
  bool searched = re.search(picture_pattern, block);
  int n = re.match_count();
  outcome.pictures = n;
  if (page.empty()) {
    outcome.page_failed = true;
    w->append_log(c::编辑框_操作记录, GBK("相册页面获取失败：") + Text(page_address) + "\r\n");
  } else if (block.empty() || !searched) {
    outcome.page_failed = true;
    w->append_log(c::编辑框_操作记录, GBK("相册页面无法解析：") + Text(page_address) + "\r\n");
  }
  if (!folder_ok && n > 0) {
    w->append_log(c::编辑框_操作记录, GBK("无法创建文件夹：") + folder + "\r\n");
  }
  w->set_progress_maximum(c::进度条1, n);

  for (int i = 1; i <= n; ++i) {
    if (current_cancelled()) return outcome;
    w->set_progress_position(c::进度条1, i);
    int pos = w->progress_position(c::进度条1);
    int max = w->progress_maximum(c::进度条1);
    w->set_text(c::标签_进度条比例, percentage(pos, max));
    w->set_text(c::标签_第多少张照片, to_text(n) + "/" + to_text(pos));
    Text url = re.submatch_text(i, 3);
    Text name = picture_file_name(i, re.submatch_text(i, 2));
    if (!folder_ok) {
      ++outcome.failed;
      continue;
    }
    Bytes body;
    bool fetched = fetch_picture(url, body);
    if (current_cancelled()) return outcome;
    pump_delay(50);
    if (!fetched) {
      ++outcome.failed;
      w->append_log(c::编辑框_操作记录, GBK("图片下载失败：") + url + "\r\n");
    } else if (!save_picture(folder, name, body)) {
      ++outcome.failed;
      w->append_log(c::编辑框_操作记录, GBK("图片保存失败：") + folder + "\\" + name + "\r\n");
    } else {
      ++outcome.saved;
    }
    process_pending_messages();
  }
  if (outcome.failed > 0) {
    w->append_log(c::编辑框_操作记录, GBK("---相册《") + title + GBK("》有") +
                                          to_text(outcome.failed) + GBK("张图片下载失败\r\n"));
  }
  w->append_log(c::编辑框_操作记录, GBK("---完成相册《") + title + GBK("》下载\r\n\r\n"));
  w->set_text(c::标签_第多少张照片, "");
  note_failures(outcome.failed + (outcome.page_failed ? 1 : 0));
  return outcome;
}

}  // namespace af
