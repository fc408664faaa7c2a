#include "download/album.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "albums/state.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"

using namespace af;
using af::test::G;
using af::test::read_file;
using af::test::Road;
using af::test::U;
namespace c = af::ctl;
namespace fs = std::filesystem;

namespace {
std::string str(const Bytes& b) {
  return std::string(b.begin(), b.end());
}
// Pictures and temporary files; the album record is neither.
size_t files_in(const fs::path& dir) {
  size_t n = 0;
  for (auto& e : fs::recursive_directory_iterator(dir))
    n += e.is_regular_file() && e.path().filename() != ".albumfetch-record";
  return n;
}
}  // namespace

TEST(DownloadAlbum, SavesEveryPictureInPageOrderWithProgress) {
  Road r;
  auto& m = r.site.add_member("ann");
  auto& a = r.site.add_album(m, "旅行: 2015/08", 3);
  r.start();
  set_album_owner("ann");
  AlbumOutcome o = download_album(a.url, G("旅行: 2015/081"));
  EXPECT_EQ(o.pictures, 3);
  EXPECT_EQ(o.saved, 3);
  EXPECT_EQ(o.failed, 0);
  fs::path folder = r.save / "ann" / "旅行2015081";
  for (int i = 0; i < 3; ++i) {
    fs::path f = folder / (std::to_string(i + 1) + a.pictures[i].id + ".jpg");
    ASSERT_TRUE(fs::exists(f)) << f;
    EXPECT_EQ(read_file(f), str(a.pictures[i].jpeg));
  }
  EXPECT_EQ(files_in(r.save), 3u);  // no temporary files left behind
  std::string log = r.log_utf8();
  EXPECT_EQ(log.find("准备下载《旅行: 2015/081》\r\n\r\n"), 0u);
  EXPECT_NE(log.find("---完成相册《旅行2015081》下载\r\n\r\n"), std::string::npos);
  EXPECT_EQ(U(r.window.control(c::标签_进度条比例).text), "100%");
  EXPECT_EQ(r.window.control(c::标签_第多少张照片).text, "");
  EXPECT_EQ(r.window.control(c::进度条1).maximum, 3);
  EXPECT_EQ(failure_count(), 0);
}

TEST(DownloadAlbum, PercentageIsExact) {
  Road r;
  auto& m = r.site.add_member("pct");
  auto& a = r.site.add_album(m, "p", 100, 16, 16);
  r.site.set_fault(a.pictures[57].url, {0, 404});  // stops the run at picture 58's retries
  r.start();
  set_album_owner("pct");
  // What the labels say while picture 58 is at work.
  std::string counter, percent;
  r.window.on_event = [&](const Event& e) {
    auto* k = std::get_if<CounterEvent>(&e);
    if (!k || k->counter != Counter::pictures || k->value != 58) return;
    counter = U(r.window.control(c::标签_第多少张照片).text);
    percent = U(r.window.control(c::标签_进度条比例).text);
  };
  AlbumOutcome o = download_album(a.url, "p");
  EXPECT_EQ(counter, "100/58");
  EXPECT_EQ(percent, "58%");
  EXPECT_EQ(o.saved, 99);
  EXPECT_EQ(o.failed, 1);
}

TEST(DownloadAlbum, FaultyPicturesAreRetriedAndNeverWrittenFake) {
  Road r;
  auto& m = r.site.add_member("flaky");
  auto& a = r.site.add_album(m, "f", 4);
  r.site.set_fault(a.pictures[0].url, {2});                         // fails twice, then answers
  r.site.set_fault(a.pictures[1].url, {0, 404});                    // 404: no retry
  r.site.set_fault(a.pictures[2].url, {0, 0, true});                // an HTML page
  r.site.set_fault(a.pictures[3].url, {0, 0, false, false, true});  // cut off
  r.start();
  set_album_owner("flaky");
  AlbumOutcome o = download_album(a.url, "f");
  EXPECT_EQ(o.saved, 1);
  EXPECT_EQ(o.failed, 3);
  EXPECT_EQ(r.site.hits(a.pictures[0].url), 3u);
  EXPECT_EQ(r.site.hits(a.pictures[1].url), 1u);
  EXPECT_EQ(r.site.hits(a.pictures[2].url), 3u);
  fs::path folder = r.save / "flaky" / "f";
  EXPECT_EQ(read_file(folder / ("1" + a.pictures[0].id + ".jpg")), str(a.pictures[0].jpeg));
  EXPECT_EQ(files_in(r.save), 1u);
  std::string log = r.log_utf8();
  EXPECT_NE(log.find("图片下载失败：" + a.pictures[1].url + "（服务器返回 404）"),
            std::string::npos);
  EXPECT_NE(log.find("图片下载失败：" + a.pictures[2].url + "（不是完整的图片）"),
            std::string::npos);
  EXPECT_NE(log.find("---相册《f》保存 1 张，跳过 0 张，失败 3 张"), std::string::npos);
  EXPECT_EQ(failure_count(), 3);
}

TEST(DownloadAlbum, PageRetriedThenGivenUp) {
  Road r;
  auto& m = r.site.add_member("pages");
  auto& a = r.site.add_album(m, "late", 1);
  r.site.set_fault(a.url, {2});
  r.start();
  set_album_owner("pages");
  AlbumOutcome o = download_album(a.url, "late");
  EXPECT_EQ(o.saved, 1);
  EXPECT_EQ(r.site.hits(a.url), 3u);

  r.site.set_album_page("http://pp.163.com/pages/pp/9.html", "<html>no block</html>");
  AlbumOutcome none = download_album("http://pp.163.com/pages/pp/9.html", "x");
  EXPECT_TRUE(none.page_failed);
  EXPECT_EQ(none.pictures, 0);
  EXPECT_NE(r.log_utf8().find("---完成相册《x》下载"), std::string::npos);
  // A 200 that is not the page is a failed attempt, but only three of the ten go to it.
  EXPECT_EQ(r.site.hits("http://pp.163.com/pages/pp/9.html"), 3u);

  // Cut off before the page ends: not read as a whole album.
  const std::string cut = "http://pp.163.com/pages/pp/10.html";
  r.site.set_album_page(cut,
                        "<html><script>window.pic960List = {list:[{seqindex:0,pictureId:1,"
                        "url:'http://img/1.jpg',}]};</script><p>");
  EXPECT_TRUE(download_album(cut, "cut").page_failed);
  EXPECT_EQ(r.site.hits(cut), 3u);
  EXPECT_NE(r.log_utf8().find("相册页面获取失败：" + cut + "（不是完整的相册页面）"),
            std::string::npos);

  // Items the picture pattern does not know are a failure, never an empty album.
  const std::string changed = "http://pp.163.com/pages/pp/11.html";
  r.site.set_album_page(
      changed, "<html><script>window.pic960List = {list:[{idx:0,src:'x'}]};</script></html>");
  AlbumOutcome unknown = download_album(changed, "changed");
  EXPECT_TRUE(unknown.page_failed);
  EXPECT_EQ(r.site.hits(changed), 1u);
  EXPECT_NE(r.log_utf8().find("相册页面中的图片无法识别：" + changed), std::string::npos);

  // An error page is never read as the album; 404 ends the attempts at once.
  auto& gone = r.site.add_album(m, "gone", 1);
  r.site.set_fault(gone.url, {0, 404});
  AlbumOutcome missing = download_album(gone.url, "gone");
  EXPECT_TRUE(missing.page_failed);
  EXPECT_EQ(r.site.hits(gone.url), 1u);
  EXPECT_NE(r.log_utf8().find("相册页面获取失败：" + gone.url + "（服务器返回 404）"),
            std::string::npos);
}

TEST(DownloadAlbum, HostileIdsAndOwnerStayInsideTheSaveLocation) {
  Road r;
  r.site.add_member("evil");
  std::string page =
      "<title>t</title><script>window.pic960List = {list:["
      "{seqindex:0,pictureId:../../../escape,url:'http://img1.ph.126.net/x.jpg',a:1},"
      "{seqindex:1,pictureId:/abs/path,url:'http://img1.ph.126.net/x.jpg',a:1}]};</script>";
  r.site.set_album_page("http://pp.163.com/evil/pp/1.html", page);
  auto& m = r.site.add_member("holder");
  auto& a = r.site.add_album(m, "h", 1);
  r.start();
  // The picture address of a real picture, so that it downloads.
  std::string fixed = page;
  for (size_t p; (p = fixed.find("http://img1.ph.126.net/x.jpg")) != std::string::npos;)
    fixed.replace(p, 28, a.pictures[0].url);
  r.site.set_album_page("http://pp.163.com/evil/pp/1.html", fixed);
  set_album_owner("../../owner");
  AlbumOutcome o = download_album("http://pp.163.com/evil/pp/1.html", "t");
  EXPECT_EQ(o.saved, 2);
  size_t inside = 0;
  for (auto& e : fs::recursive_directory_iterator(r.save)) {
    if (!e.is_regular_file() || e.path().filename() == ".albumfetch-record") continue;
    ++inside;
    EXPECT_EQ(fs::relative(e.path(), r.save).begin()->string(), ".owner");
  }
  EXPECT_EQ(inside, 2u);
  EXPECT_FALSE(fs::exists(r.save.parent_path() / "owner"));
  EXPECT_FALSE(fs::exists(r.save.parent_path() / "escape.jpg"));
  EXPECT_TRUE(fs::exists(r.save / ".owner" / "t" / "1.escape.jpg"));
  EXPECT_TRUE(fs::exists(r.save / ".owner" / "t" / "2abspath.jpg"));
}

TEST(DownloadAlbum, UnwritableSaveLocationIsReported) {
  Road r;
  auto& m = r.site.add_member("ro");
  auto& a = r.site.add_album(m, "t", 2);
  r.start();
  set_album_owner("ro");
  r.window.set_text(c::编辑框_保存位置, "/proc/none");
  AlbumOutcome o = download_album(a.url, "t");
  EXPECT_EQ(o.failed, 2);
  EXPECT_NE(r.log_utf8().find("无法创建文件夹：/proc/none"), std::string::npos);
}
