// Covers in a listing: each in its own row, never holding the rows up, never outliving the
// listing that asked for them.
#include "albums/listing_covers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "albums/classify.h"
#include "albums/state.h"
#include "app/commands.h"
#include "app/community/community.h"
#include "http/cover_reads.h"
#include "http/transport.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/picture.h"
#include "tests/support/road.h"
#include "tests/support/scripted_server.h"

using namespace af;
using af::test::answer;
using af::test::Reply;
using af::test::Road;
using af::test::ScriptedServer;
using SteadyClock = std::chrono::steady_clock;
namespace c = af::ctl;

namespace {

std::string between(const std::string& s, const std::string& a, const std::string& b) {
  size_t i = s.find(a);
  if (i == std::string::npos) return {};
  i += a.size();
  return s.substr(i, s.find(b, i) - i);
}

std::string picture_address(const std::string& member, int i) {
  return "http://img.ph.126.net/" + member + "_" + std::to_string(i) + ".jpg";
}

Bytes cover_of(const std::string& picture) {
  return community::make_jpeg(100, 100, static_cast<unsigned>(std::hash<std::string>{}(picture)));
}

// Home pages of members with n albums each, and a thumbnail service that answers, holds
// one member's covers until released, or closes without a word.
struct CoverSite {
  std::mutex m;
  std::condition_variable cv;
  std::map<std::string, int> members;
  std::string held_member;  // its covers wait for release()
  int holding = 0;
  bool silent = false;
  int cover_requests = 0;
  ScriptedServer srv{[this](size_t, const std::string& rq) { return reply(rq); }};

  ~CoverSite() { release(); }
  void release() {
    std::lock_guard lock(m);
    held_member.clear();
    cv.notify_all();
  }
  bool wait_holding(int n) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, std::chrono::seconds(10), [&] { return holding >= n; });
  }

  Reply reply(const std::string& rq) {
    std::string host = between(rq, "Host: ", "\r\n");
    std::unique_lock lock(m);
    if (host == thumbnail_host) {
      ++cover_requests;
      if (silent) return Reply{};
      std::string picture = between(rq, "imgurl=", "_100x100x1x95.jpg");
      if (!held_member.empty() && picture.find("/" + held_member + "_") != std::string::npos) {
        ++holding;
        cv.notify_all();
        cv.wait_for(lock, std::chrono::seconds(10), [&] { return held_member.empty(); });
        --holding;
      }
      lock.unlock();
      Bytes jpeg = cover_of(picture);
      return answer("200 OK", std::string(jpeg.begin(), jpeg.end()),
                    "Content-Type: image/jpeg\r\n");
    }
    std::string member = host.substr(0, host.find('.'));
    std::string html = "<html><body><ul>\n";
    for (int i = 0; i < members[member]; ++i)
      html += "<li><a><img imgUrl=\"" + picture_address(member, i) +
              "\" onerror=\"this.src=x\"/></a> <div class=\"cover f-trans j-cover\" ></div> "
              "<a href=\"http://pp.163.com/" +
              member + "/pp/" + std::to_string(i) + ".html\" title=\"t<em>" + member +
              std::to_string(i) + "</em></a></li>\n";
    return answer("200 OK", html + "</ul></body></html>", "Content-Type: text/html\r\n");
  }
};

// Clicks get-albums for `member` with covers on; the listing's worker.
WorkerHandle list_member(Road& r, const std::string& member) {
  r.window.set_checked(c::选择框_有封面, true);
  r.window.set_text(c::编辑框_号码, member + ".pp.163.com");
  classify_address();
  return list_worker();
}

bool finishes_within(const WorkerHandle& w, std::chrono::milliseconds limit) {
  auto deadline = SteadyClock::now() + limit;
  while (!w->finished && SteadyClock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return w->finished;
}

void expect_covers_of(HeadlessWindow& w, const std::string& member, int n) {
  auto list = w.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), static_cast<size_t>(n));
  ASSERT_TRUE(list.pictures);
  EXPECT_EQ(list.pictures->size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    int p = list.rows[static_cast<size_t>(i)].picture;
    ASSERT_GE(p, 0) << "row " << i << " has no cover";
    const auto& pic = (*list.pictures)[static_cast<size_t>(p)];
    Picture want;
    ASSERT_TRUE(decode_picture(cover_of(picture_address(member, i)), 100, 100, want));
    EXPECT_EQ(pic->argb, want.argb) << "row " << i << " shows another album's cover";
    EXPECT_EQ(pic.use_count(), 1) << "row " << i << "'s cover is held twice";
  }
}

size_t count_of(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ListingCovers, EachCoverInItsOwnRowOverAFewConnections) {
  CoverSite site;
  site.members["many"] = 40;
  Road r;
  set_connect_to(site.srv.host_port());
  ASSERT_TRUE(finishes_within(list_member(r, "many"), std::chrono::seconds(20)))
      << "waited 20 s for the listing and its covers";
  expect_covers_of(r.window, "many", 40);
  EXPECT_EQ(site.cover_requests, 40);
  EXPECT_LE(site.srv.connections(), 1u + cover_connections);  // the home page's and six
  EXPECT_NE(r.log_utf8().find("-----获取完毕,共计40个\r\n\r\n"), std::string::npos);
}

TEST(ListingCovers, FailingServiceCostsThreeReadsAndOneLine) {
  CoverSite site;
  site.members["mute"] = 30;
  site.silent = true;
  Road r;
  set_connect_to(site.srv.host_port());
  ASSERT_TRUE(finishes_within(list_member(r, "mute"), std::chrono::seconds(20)))
      << "waited 20 s for the listing";
  auto list = r.window.control(c::超级列表框1);
  ASSERT_EQ(list.rows.size(), 30u);
  for (const auto& row : list.rows) {
    EXPECT_EQ(row.picture, -1);
    EXPECT_TRUE(row.checked);
  }
  EXPECT_LE(site.cover_requests, cover_silences_to_give_up + cover_connections - 1);
  EXPECT_EQ(count_of(r.log_utf8(), "缩略图服务无应答"), 1u);
  EXPECT_EQ(gbk_to_utf8(r.window.control(c::标签_动态).text), "相册获取完毕，共计：30个。");
}

// What ends a listing's covers while six of them are on their way.
enum class Stop { new_listing, batch_start, window_closing };

class CoverStops : public ::testing::TestWithParam<Stop> {};

TEST_P(CoverStops, WithinASecondAndNoOldCoverLands) {
  CoverSite site;
  site.members["old"] = 20;
  site.members["new"] = 3;
  site.held_member = "old";
  Road r;
  set_connect_to(site.srv.host_port());
  WorkerHandle old = list_member(r, "old");
  ASSERT_TRUE(site.wait_holding(cover_connections)) << "waited 10 s for six covers under way";
  WorkerHandle fresh;
  switch (GetParam()) {
    case Stop::new_listing:
      fresh = list_member(r, "new");
      break;
    case Stop::batch_start:
      stop_listing_covers();
      break;
    case Stop::window_closing:
      stop_all_workers(2000);
      break;
  }
  EXPECT_TRUE(finishes_within(old, std::chrono::seconds(1)))
      << "the old listing still waits for its covers after 1 s";
  site.release();
  if (fresh) {
    ASSERT_TRUE(finishes_within(fresh, std::chrono::seconds(20))) << "waited 20 s for the new";
    expect_covers_of(r.window, "new", 3);
  } else {
    auto list = r.window.control(c::超级列表框1);
    EXPECT_EQ(list.rows.size(), 20u);  // the rows stay
    for (const auto& row : list.rows) EXPECT_EQ(row.picture, -1);
  }
}

std::string stop_name(const ::testing::TestParamInfo<Stop>& info) {
  switch (info.param) {
    case Stop::new_listing:
      return "NewListing";
    case Stop::batch_start:
      return "BatchStart";
    case Stop::window_closing:
      return "WindowClosing";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(, CoverStops,
                         ::testing::Values(Stop::new_listing, Stop::batch_start,
                                           Stop::window_closing),
                         stop_name);
