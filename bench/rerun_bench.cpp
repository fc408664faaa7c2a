// A second run of a finished batch: no picture requests, and hardly more time than the
// listing and the album pages alone. Also the record's memory and write cost for an
// album of 10,000 pictures, and the bytes a whole download writes into records of 1,000
// and 10,000 pictures.
#include <filesystem>

#include "albums/album_list.h"
#include "albums/classify.h"
#include "albums/state.h"
#include "app/community/community.h"
#include "app/headless_window.h"
#include "bench/common.h"
#include "download/album.h"
#include "download/batch.h"
#include "download/names.h"
#include "download/record.h"
#include "http/fetch.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"

using namespace af;
namespace fs = std::filesystem;

namespace {

// Writes an album's files and record as a finished download leaves them.
void lay_out_finished(const community::AlbumEntry& a, const Text& folder) {
  Text f = folder;
  make_folder_path(f);
  AlbumRecord rec{utf8_to_gbk(std::string_view(a.url)), {}};
  for (size_t i = 0; i < a.pictures.size(); ++i) {
    RecordEntry e;
    e.order = static_cast<int>(i) + 1;
    e.id = a.pictures[i].id;
    e.address = a.pictures[i].url;
    e.file_name = picture_file_name(e.order, e.id);
    write_file(folder + "\\" + e.file_name, a.pictures[i].jpeg);
    e.state = PictureState::saved;
    Folder(folder).stamp(e.file_name, e.size, e.mtime_ns);
    rec.entries.push_back(e);
  }
  RecordWriter(folder, rec).save();
}

size_t picture_hits(community::Community& site, const community::MemberEntry& m) {
  size_t n = 0;
  for (auto& a : m.albums)
    for (auto& p : a.pictures) n += site.hits(p.url);
  return n;
}

}  // namespace

int main() {
  community::Community site;
  auto& m = site.add_member("rerun");
  for (int j = 0; j < 20; ++j) site.add_album(m, "a" + std::to_string(j), 100, 8, 8);
  auto& huge_member = site.add_member("huge");
  auto& huge = site.add_album(huge_member, "h", 10000, 8, 8);
  site.start();
  set_connect_to(site.connect_to());

  HeadlessWindow window;
  window.on_message = [](const Text&, const Text&) { return 0; };
  set_current_window(&window);
  fs::path save = fs::temp_directory_path() / "albumfetch-bench-rerun";
  fs::remove_all(save);
  window.set_text(ctl::编辑框_保存位置, gbk_path(save));
  window.set_checked(ctl::选择框_跳过已下载, true);
  auto folder_of = [&](const community::AlbumEntry& a, int j, const char* owner) {
    Text title = clean_title(numbered_title(utf8_to_gbk(std::string_view(a.title)), j));
    return album_folder(gbk_path(save), owner, title);
  };
  for (size_t j = 0; j < m.albums.size(); ++j)
    lay_out_finished(m.albums[j], folder_of(m.albums[j], static_cast<int>(j) + 1, "rerun"));

  // The baseline: the listing and the 20 album pages alone.
  window.set_text(ctl::编辑框_号码, "rerun.pp.163.com");
  double baseline = bench::best_of(1, [&] {
    set_entered_address("http://rerun.pp.163.com");
    set_album_owner("rerun");
    load_album_list();
    for (auto& a : m.albums) benchmark::DoNotOptimize(utf8_to_gbk(http_fetch(a.url, 0)).size());
  });
  size_t hits_before = picture_hits(site, m);
  double rerun = bench::best_of(1, [&] {
    set_entered_address("http://rerun.pp.163.com");
    set_album_owner("rerun");
    load_album_list();
    download_selected();
  });
  size_t requests = picture_hits(site, m) - hits_before;
  std::printf(
      "re-run of 20 albums x 100 pictures: %.3f s; listing and pages alone %.3f s; "
      "%zu picture requests\n",
      rerun, baseline, requests);
  bench::report("picture requests of the re-run", static_cast<double>(requests), 0);
  bench::report("re-run / (listing + 20 album pages)", rerun / baseline, 1.1);

  // An album of 10,000 pictures: its record's memory, and one rewrite against the pause
  // every picture already has.
  Text big_folder = folder_of(huge, 1, "huge");
  lay_out_finished(huge, big_folder);
  set_album_owner("huge");
  long added = bench::peak_memory_added([&] { download_album(huge.url, "h1"); });
  bench::report("peak memory, album of 10,000 pictures with its record, MB",
                double(added) / (1 << 20), 32);
  RecordWriter writer(big_folder, *read_record(big_folder));
  double save_s = bench::best_of(5, [&] { writer.save(); });
  std::printf("one rewrite of a 10,000-picture record: %.2f ms\n", save_s * 1e3);
  bench::report("record rewrite / 50 ms pause, 10,000 pictures", save_s / 0.050, 0.1);

  // What a download of the whole album writes into its record, per picture: the record
  // whole at the start, one line a picture, and whole again at the end, as download_album
  // calls the writer (driven directly: 10,000 pictures at 50 ms each would take 8 minutes).
  auto record_bytes_per_picture = [&](size_t n) {
    Text folder = gbk_path(save / "record-cost");
    make_folder_path(folder);
    AlbumRecord rec{utf8_to_gbk(std::string_view(huge.url)), {}};
    for (size_t i = 0; i < n; ++i) {
      RecordEntry e;
      e.order = static_cast<int>(i) + 1;
      e.id = huge.pictures[i].id;
      e.address = huge.pictures[i].url;
      e.file_name = picture_file_name(e.order, e.id);
      rec.entries.push_back(e);
    }
    RecordWriter w(folder, rec);
    w.save();
    for (size_t i = 0; i < n; ++i) {
      RecordEntry e = w.record().entries[i];
      e.state = PictureState::saved;
      e.size = 200000 + static_cast<std::int64_t>(i);
      e.mtime_ns = 1'700'000'000'000'000'000 + static_cast<std::int64_t>(i);
      w.update(i, e);
    }
    w.compact();
    return double(w.bytes_written()) / double(n);
  };
  double per_1000 = record_bytes_per_picture(1000), per_10000 = record_bytes_per_picture(10000);
  std::printf("record bytes written per picture: %.0f (1,000 pictures), %.0f (10,000)\n", per_1000,
              per_10000);
  bench::report("record bytes written per picture, 10,000 pictures", per_10000, 16384);
  bench::report("record bytes per picture, 10,000 / 1,000 pictures", per_10000 / per_1000, 1.2);

  set_current_window(nullptr);
  set_connect_to("");
  site.stop();
  fs::remove_all(save);
  return bench::finish();
}
