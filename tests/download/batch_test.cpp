#include "download/batch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "albums/state.h"
#include "platform/controls.h"
#include "tests/support/gbk.h"
#include "tests/support/road.h"

using namespace af;
using af::test::G;
using af::test::Road;
using af::test::U;
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
  set_download_worker(start_worker([] { download_selected(); }));
  WorkerHandle w = download_worker();
  while (r.window.control(c::进度条1).position < 3)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  pause_worker(w);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto log_before = r.window.log();
  int pos_before = r.window.control(c::进度条1).position;
  size_t files_before = 0;
  for (auto& e : fs::recursive_directory_iterator(r.save)) files_before += e.is_regular_file();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(r.window.log(), log_before);
  EXPECT_EQ(r.window.control(c::进度条1).position, pos_before);
  size_t files_after = 0;
  for (auto& e : fs::recursive_directory_iterator(r.save)) files_after += e.is_regular_file();
  EXPECT_EQ(files_after, files_before);
  resume_worker(w);
  while (!w->finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(r.window.control(c::进度条1).position, 30);
  EXPECT_EQ(U(r.window.messages().back()), "全部下载完毕");
}
