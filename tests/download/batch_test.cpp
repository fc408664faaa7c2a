#include "download/batch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "albums/state.h"
#include "platform/controls.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"
#include "tests/support/wait.h"

using namespace af;
using af::test::G;
using af::test::Road;
using af::test::U;
using af::test::wait_until;
namespace c = af::ctl;
namespace fs = std::filesystem;

TEST(Batch, TickedRowsQueuedWithQueueNumbers) {
  Road r;
  auto& m = r.site.add_member("eve");
  for (const char* t : {"一", " 春 ", "三", "四", "春 "}) r.site.add_album(m, t, 1);
  r.start();
  r.classify("eve.pp.163.com");
  for (int row : {0, 2, 3}) r.window.set_row_checked(c::超级列表框1, row, false);
  r.download_batch();
  std::string log = r.log_utf8();
  EXPECT_NE(log.find("当前被选择相册编号:2、5、\r\n\r\n"), std::string::npos);
  EXPECT_EQ(U(r.window.control(c::标签_选择了相册数量).text), "总共需下载[2]个相册");
  EXPECT_EQ(U(r.window.control(c::标签_正在下载相册).text), "下载到第[2]个相册");
  EXPECT_TRUE(fs::exists(r.save / "eve" / "春1"));
  EXPECT_TRUE(fs::exists(r.save / "eve" / "春2"));
  EXPECT_NE(log.find("-------全部下载完毕--------\r\n\r\n"), std::string::npos);
  EXPECT_EQ(U(r.window.control(c::标签_第多少张照片).text), "下载完成");
  ASSERT_FALSE(r.window.messages().empty());
  EXPECT_EQ(U(r.window.messages().back()), "全部下载完毕");
  EXPECT_TRUE(r.window.control(c::按钮_下载选中).visible);
  EXPECT_FALSE(r.window.control(c::按钮_暂停线程).visible);
  EXPECT_FALSE(r.window.control(c::按钮_继续下载).visible);
}

TEST(Batch, NothingTickedStillEnds) {
  Road r;
  r.start();
  r.download_batch();
  EXPECT_NE(r.log_utf8().find("当前未选择任何相册\r\n\r\n"), std::string::npos);
  EXPECT_EQ(U(r.window.control(c::标签_选择了相册数量).text), "总共需下载[0]个相册");
  EXPECT_EQ(U(r.window.messages().back()), "全部下载完毕");
}

TEST(Batch, EmptyTitleGetsTheQueueNumberAlone) {
  Road r;
  auto& m = r.site.add_member("nameless");
  r.site.add_album(m, "", 1);
  r.start();
  r.classify("nameless.pp.163.com");
  r.download_batch();
  EXPECT_TRUE(fs::exists(r.save / "nameless" / "1"));
}

TEST(Batch, PauseHoldsEverythingUntilContinued) {
  Road r;
  auto& m = r.site.add_member("pause");
  r.site.add_album(m, "p", 30, 16, 16);
  r.start();
  r.classify("pause.pp.163.com");
  // The batch runs in real time until it has held, so a pause can land mid-album; the
  // rest of it runs on the driven clock again.
  set_clock(nullptr);
  set_download_worker(start_worker([] { download_selected(); }));
  WorkerHandle w = download_worker();
  ASSERT_TRUE(wait_until([&] { return r.window.control(c::进度条1).position >= 3; },
                         "the third picture of the batch"));
  pause_worker(w);
  ASSERT_TRUE(wait_until([&] { return w->token->holding(); }, "the paused batch to hold"));
  auto log_before = r.window.log();
  int pos_before = r.window.control(c::进度条1).position;
  size_t files_before = 0;
  for (auto& e : fs::recursive_directory_iterator(r.save)) files_before += e.is_regular_file();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));  // time to go on, if it could
  EXPECT_EQ(r.window.log(), log_before);
  EXPECT_EQ(r.window.control(c::进度条1).position, pos_before);
  size_t files_after = 0;
  for (auto& e : fs::recursive_directory_iterator(r.save)) files_after += e.is_regular_file();
  EXPECT_EQ(files_after, files_before);
  set_clock(&r.clock);
  resume_worker(w);
  ASSERT_TRUE(wait_until([&] { return w->finished.load(); }, "the continued batch to end"));
  EXPECT_EQ(r.window.control(c::进度条1).position, 30);
  EXPECT_EQ(U(r.window.messages().back()), "全部下载完毕");
}

// Long titles keep their numbers, names that meet are told apart, and the log says so.
TEST(Batch, NamesNeverMergeAlbumsOrPictures) {
  Road r;
  auto& m = r.site.add_member("apart");
  std::string long_title;
  for (int i = 0; i < 100; ++i) long_title += "长";
  r.site.add_album(m, "相册1", 1);
  for (int i = 2; i <= 8; ++i) r.site.add_album(m, "f", 0);
  r.site.add_album(m, long_title, 1).pictures[0].id = std::string(250, 'x');
  r.site.add_album(m, long_title, 1);
  r.site.add_album(m, "相册", 1);
  auto& twelve = r.site.add_album(m, "十二", 12);
  twelve.pictures[0].id = "23";
  twelve.pictures[11].id = "3";
  r.start();
  r.classify("apart.pp.163.com");
  r.download_batch();
  auto files = [](const fs::path& p) {
    size_t n = 0;
    for (auto& e : fs::directory_iterator(p)) n += e.path().extension() == ".jpg";
    return n;
  };
  fs::path owner = r.save / "apart";
  EXPECT_EQ(files(owner / "相册11"), 1u);
  EXPECT_EQ(files(owner / "相册11 (2)"), 1u);
  std::string kept;
  for (int i = 0; i < 84; ++i) kept += "长";
  EXPECT_EQ(files(owner / (kept + "9")), 1u);
  EXPECT_EQ(files(owner / (kept + "10")), 1u);
  EXPECT_EQ(files(owner / "十二12"), 12u);
  EXPECT_TRUE(fs::exists(owner / "十二12" / "123 (2).jpg"));
  std::string log = r.log_utf8();
  EXPECT_NE(log.find("改用：" + (owner / "相册11 (2)").string()), std::string::npos);
  EXPECT_NE(log.find("改存为：123 (2).jpg"), std::string::npos);
  EXPECT_EQ(log.find("下载失败"), std::string::npos) << log;
}

// A UTF-8 page that says so only in a meta tag; titles GBK cannot hold, with character
// references; a save folder GBK cannot name either.
TEST(Batch, WhatGbkCannotHoldReachesTheFolders) {
  Road r;
  auto& m = r.site.add_member("world", true);
  m.charset_in_meta = true;
  r.site.add_album(m, "서울의 밤 ☕", 1);
  r.site.add_album(m, "Tom &amp; Jerry &#x2764;", 1);
  r.site.add_album(m, "Café", 1);
  r.start();
  r.classify("world.pp.163.com");
  auto rows = r.window.control(c::超级列表框1).rows;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(U(rows[0].cells[c::col_相册名称]), "서울의 밤 ☕");
  EXPECT_EQ(U(rows[1].cells[c::col_相册名称]), "Tom & Jerry ❤");
  EXPECT_EQ(U(rows[2].cells[c::col_相册名称]), "Café");
  fs::path save = r.save / "사진";
  r.window.set_text(c::编辑框_保存位置, G(save.string()));
  r.download_batch();
  EXPECT_TRUE(fs::exists(save / "world" / "서울의밤☕1"));
  EXPECT_TRUE(fs::exists(save / "world" / "Tom&Jerry❤2"));
  EXPECT_TRUE(fs::exists(save / "world" / "Café3"));
  EXPECT_NE(r.log_utf8().find("保存到：" + (save / "world" / "Café3").string()), std::string::npos);
}

// A save location that cannot take a file is found before any album page is asked for.
TEST(Batch, UnwritableSaveLocationFetchesNothing) {
  Road r;
  auto& m = r.site.add_member("ro");
  auto& a = r.site.add_album(m, "一", 1);
  r.start();
  r.classify("ro.pp.163.com");
  r.window.set_text(c::编辑框_保存位置, "/proc/none");
  r.download_batch();
  EXPECT_NE(r.log_utf8().find("无法写入保存位置：/proc/none（"), std::string::npos) << r.log_utf8();
  EXPECT_EQ(r.site.hits(a.url), 0u);
  EXPECT_EQ(U(r.window.messages().back()), "全部下载完毕");
}
