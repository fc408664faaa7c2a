#include "download/album.h"

#include <optional>

#include "albums/state.h"
#include "albums/tally.h"
#include "download/names.h"
#include "download/picture_fetch.h"
#include "download/record.h"
#include "download/retry_policy.h"
#include "http/failure.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/folder.h"
#include "platform/folders.h"
#include "platform/regex_object.h"
#include "platform/worker.h"

namespace af {
namespace {

constexpr std::string_view picture_pattern = "{seqindex:(.*?),pictureId:(.*?),url:'(.*?)',";

// Whether a picture block holds items at all, matched or not.
bool lists_items(const Text& block) {
  int list = find_text(block, "[");
  return list != -1 && find_text(block, "{", list) != -1;
}

// A 2xx answer is the album page only when its picture block stands whole and the page
// goes on to its end; a busy page served as 200, or a body cut off, is not.
bool whole_album_page(const Text& page) {
  if (text_between(page, "window.pic960List", "};").empty()) return false;
  // A page that opens its document ends it: a body cut off ends before that.
  return find_text(page, "<html", {}, true) == -1 || find_text(page, "</html>", {}, true) != -1;
}

// Tries as the retry policy says; an answer that is not 2xx, or not the page, is a failed
// attempt, never a page to read. `cause` says why the last one failed.
Text fetch_album_page(std::string_view address, Text& cause, FetchReport& r) {
  RetryPolicy policy(RetryTarget::album_page);
  while (!current_cancelled()) {
    Bytes body = http_fetch(address, 0);
    r = last_fetch_report();
    FailedAttempt failed;
    failed.answered = r.error == TransferError::none;
    failed.status = r.status;
    failed.retry_after_ms = r.retry_after_ms;
    if (failed.answered && r.status >= 200 && r.status < 300) {
      Text page = utf8_to_gbk(body);
      if (whole_album_page(page)) return page;
      failed.not_the_page = true;
      cause = page.empty() ? GBK("页面为空") : GBK("不是完整的相册页面");
    } else {
      cause = describe_failure(r);
    }
    std::optional<long> wait = policy.after_failure(failed);
    if (!wait) break;
    pump_delay(static_cast<int>(*wait));
  }
  return {};
}

}  // namespace

Text account_line(const Text& what, int saved, int skipped, int failed) {
  return what + GBK("保存 ") + to_text(saved) + GBK(" 张，跳过 ") + to_text(skipped) +
         GBK(" 张，失败 ") + to_text(failed) + GBK(" 张") + "\r\n";
}

namespace {

// The album's folder; one the batch already used gets " (2)", " (3)", ... and the log
// says so.
Text choose_folder(Face* face, const Text& title, const AlbumOptions& options) {
  Text save = face->save_location();
  Text folder = album_folder(save, album_owner(), title);
  if (!options.taken_folders || options.taken_folders->insert(folder).second) return folder;
  Text owner_folder = album_folder(save, album_owner(), "");
  Text leaf = safe_name(title);
  for (int k = 2;; ++k) {
    Text suffix = " (" + to_text(k) + ")";
    Text candidate = owner_folder + shorten_to(leaf, max_name_utf8 - suffix.size()) + suffix;
    if (options.taken_folders->insert(candidate).second) {
      tell_log(LogKind::progress,
               GBK("文件夹与本批另一相册同名，改用：") + gbk_path(native_path(candidate)) + "\r\n");
      return candidate;
    }
  }
}

}  // namespace

AlbumOutcome download_album(std::string_view page_address, std::string_view title_in,
                            const AlbumOptions& options) {
  AlbumOutcome outcome;
  Face* face = current_face();
  if (!face) return outcome;
  RegexObject re;
  process_pending_messages();
  tell_status(Status::album);
  tell(ProgressEvent{std::nullopt, 0, Percent::cleared});
  tell_log(LogKind::progress, GBK("准备下载《") + Text(title_in) + GBK("》\r\n\r\n"));
  Text title = clean_title(title_in);

  Text folder = choose_folder(face, title, options);
  tell_log(LogKind::progress, GBK("保存到：") + gbk_path(native_path(folder)) + "\r\n");
  Text page_cause;
  FetchReport page_report;
  Text page = fetch_album_page(page_address, page_cause, page_report);
  if (current_cancelled()) return outcome;
  // The member's and the album's folders wait for a page that answered.
  Text folder_cause = page.empty() ? GBK("相册页面获取失败") : prepare_folder(folder);
  // Held open and locked until the album ends: another run passes it by meanwhile.
  Folder handle = folder_cause.empty() ? Folder(folder) : Folder();
  bool folder_ok = handle.is_open();
  if (folder_cause.empty() && !folder_ok) folder_cause = GBK("无法打开文件夹");
  if (folder_ok && !handle.try_lock()) {
    outcome.busy = true;
    tell_log(LogKind::account, GBK("另一个运行正在下载这个相册，本次跳过：") +
                                   gbk_path(native_path(folder)) + "\r\n\r\n");
    return outcome;
  }
  if (folder_ok) handle.remove_temporaries();  // of an interrupted run

  Text block = text_between(page, "window.pic960List", "};");
  bool searched = re.search(picture_pattern, block);
  int n = re.match_count();
  outcome.pictures = n;
  if (page.empty()) {
    outcome.page_failed = true;
    outcome.page_unreachable = unreachable(page_report);
    outcome.page_cause = GBK("相册页面获取失败（") + page_cause + GBK("）");
    tell_log(LogKind::failure, GBK("相册页面获取失败：") + Text(page_address) + GBK("（") +
                                   page_cause + GBK("）") + "\r\n");
  } else if (block.empty() || !searched) {
    outcome.page_failed = true;
    outcome.page_cause = GBK("相册页面无法解析");
    tell_log(LogKind::failure, GBK("相册页面无法解析：") + Text(page_address) + "\r\n");
  } else if (n == 0 && lists_items(block)) {
    // Items the picture pattern does not know: a changed page, not an empty album.
    outcome.page_failed = true;
    outcome.page_cause = GBK("相册页面中的图片无法识别");
    tell_log(LogKind::failure, GBK("相册页面中的图片无法识别：") + Text(page_address) + "\r\n");
  }
  if (!folder_ok && n > 0) {
    tell_log(LogKind::failure, GBK("无法创建文件夹：") + gbk_path(native_path(folder)) + GBK("（") +
                                   folder_cause + GBK("）") + "\r\n");
  }
  tell(ProgressEvent{n, std::nullopt});

  // Every picture's name first, so the record lists the whole page from the start.
  AlbumRecord record{Text(page_address), {}};
  record.entries.reserve(static_cast<size_t>(n));
  std::set<Text> taken_names;
  for (int i = 1; i <= n; ++i) {
    Text id = re.submatch_text(i, 2);
    Text plain_name = picture_file_name(i, id);
    // "1"+"23" and "12"+"3" would share "123.jpg": the later one gets a name of its own.
    Text name = distinct_name(plain_name, taken_names, max_picture_name_utf8, ".jpg");
    if (name != plain_name) {
      tell_log(LogKind::progress, GBK("文件名与本相册另一图片相同，改存为：") + name + "\r\n");
    }
    RecordEntry e;
    e.order = i;
    e.id = id;
    e.address = re.submatch_text(i, 3);
    e.file_name = name;
    record.entries.push_back(std::move(e));
  }
  // With skipping on, what an earlier run proved done is carried over untouched.
  bool skip = face->skip_done();
  if (folder_ok && skip) {
    if (std::optional<AlbumRecord> old = read_record(handle, static_cast<size_t>(n))) {
      for (RecordEntry& e : record.entries) {
        size_t k = static_cast<size_t>(e.order) - 1;
        if (k < old->entries.size() && old->entries[k].order == e.order &&
            old->entries[k].file_name == e.file_name && old->entries[k].id == e.id &&
            proven_saved(handle, old->entries[k]))
          e = old->entries[k];
      }
    }
  }
  RecordWriter writer(handle.share(), std::move(record));
  if (folder_ok && n > 0) writer.save();

  for (int i = 1; i <= n; ++i) {
    if (current_cancelled()) return outcome;
    tell(ProgressEvent{std::nullopt, i, Percent::shown});
    tell(CounterEvent{Counter::pictures, i, n});
    RecordEntry entry = writer.record().entries[static_cast<size_t>(i) - 1];
    if (!folder_ok) {
      ++outcome.failed;
      outcome.failures.push_back({entry.address, GBK("无法创建文件夹")});
      continue;
    }
    if (entry.state == PictureState::saved) {  // carried over: no request, no pause
      ++outcome.skipped;
      continue;
    }
    // The record says a picture is saved before its name does: a run stopped in between
    // finds the record's claim unproven and fetches it again.
    PictureResult got = fetch_picture(entry.address, handle, entry.file_name,
                                      [&](std::int64_t size, std::int64_t mtime_ns) {
                                        RecordEntry done = entry;
                                        done.state = PictureState::saved;
                                        done.size = size, done.mtime_ns = mtime_ns;
                                        done.cause.clear();
                                        writer.update(static_cast<size_t>(i) - 1, done);
                                      });
    if (got.saved) ++outcome.saved;
    if (got.cancelled || current_cancelled()) return outcome;
    pump_delay(50);
    if (!got.saved) {
      ++outcome.failed;
      entry.state = PictureState::failed;
      entry.cause = got.cause;
      outcome.failures.push_back({entry.address, got.cause});
      tell_log(LogKind::failure,
               GBK("图片下载失败：") + entry.address + GBK("（") + got.cause + GBK("）") + "\r\n");
      writer.update(static_cast<size_t>(i) - 1, entry);
    }
    process_pending_messages();
  }
  if (folder_ok && n > 0) writer.compact();  // whole again, without the appended lines
  tell_log(LogKind::account, account_line(GBK("---相册《") + title + GBK("》"), outcome.saved,
                                          outcome.skipped, outcome.failed));
  tell_log(LogKind::progress, GBK("---完成相册《") + title + GBK("》下载\r\n\r\n"));
  tell(CounterEvent{Counter::pictures_ended});
  note_failures(outcome.failed + (outcome.page_failed ? 1 : 0));
  add_to_tally({.pages_unreachable = outcome.page_unreachable,
                .pages_failed = outcome.page_failed && !outcome.page_unreachable,
                .pictures_found = n,
                .pictures_saved = outcome.saved,
                .pictures_skipped = outcome.skipped,
                .pictures_failed = outcome.failed});
  return outcome;
}

}  // namespace af
