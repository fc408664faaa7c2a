// The album folder as other runs and other people leave it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "albums/state.h"
#include "download/album.h"
#include "download/record.h"
#include "download/report.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/support/road.h"

using namespace af;
using af::test::read_file;
using af::test::Road;
namespace fs = std::filesystem;

namespace {
struct Album {
  Road r;
  community::AlbumEntry* album = nullptr;
  fs::path folder;
  explicit Album(int pictures) {
    album = &r.site.add_album(r.site.add_member("lk"), "a", pictures);
    r.start();
    set_album_owner("lk");
    folder = r.save / "lk" / "a";
    fs::create_directories(folder);
  }
  fs::path file(size_t i) {
    return folder / (std::to_string(i + 1) + album->pictures[i].id + ".jpg");
  }
  size_t picture_hits() {
    size_t n = 0;
    for (auto& p : album->pictures) n += r.site.hits(p.url);
    return n;
  }
};
}  // namespace

TEST(AlbumFolder, AnotherRunsAlbumIsPassedByAndCountedNeitherWay) {
  Album a(3);
  int failures_before = failure_count();
  {
    Folder other_run(gbk_path(a.folder));
    ASSERT_TRUE(other_run.try_lock());
    AlbumOutcome o = download_album(a.album->url, "a");
    EXPECT_TRUE(o.busy);
    EXPECT_EQ(o.saved + o.skipped + o.failed, 0);
    EXPECT_FALSE(o.page_failed);
    EXPECT_EQ(a.picture_hits(), 0u);
    EXPECT_EQ(failure_count(), failures_before);
    EXPECT_NE(a.r.log_utf8().find("另一个运行正在下载这个相册，本次跳过："), std::string::npos);
  }
  // The lock goes with the run that held it.
  EXPECT_EQ(download_album(a.album->url, "a").saved, 3);
}

// Links and FIFOs planted under the names the run will use: nothing outside is touched,
// nothing hangs, and every picture stands as a file of its own.
TEST(AlbumFolder, PlantedLinksAndFifosAreNeverFollowed) {
  Album a(3);
  fs::path outside = a.r.save / "outside";
  fs::create_directories(outside);
  std::ofstream(outside / "victim") << "19 bytes of text...";
  auto temp_of = [&](size_t i) { return a.folder / temp_name(a.file(i).filename().string()); };
  fs::create_symlink(outside / "created", temp_of(0));
  ::mkfifo(temp_of(1).c_str(), 0644);
  fs::create_symlink(outside / "victim", a.file(2));
  fs::create_symlink(outside / "victim", a.folder / ".albumfetch-record");
  AlbumOutcome o = download_album(a.album->url, "a");
  EXPECT_EQ(o.saved, 3);
  EXPECT_EQ(read_file(outside / "victim"), "19 bytes of text...");
  EXPECT_FALSE(fs::exists(fs::symlink_status(outside / "created")));
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(a.file(i)))) << i;
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp_of(i)))) << i;
  }
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(a.folder / ".albumfetch-record")));
  auto report = report_albums(gbk_path(a.r.save));
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0].saved, 3);
}
