// The transfers against servers that stall, drip, lie about lengths and inject headers.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "download/picture_fetch.h"
#include "http/fetch.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/worker.h"
#include "tests/support/case_name.h"
#include "tests/support/scripted_server.h"
#include "tests/support/wait.h"

using namespace af;
using af::test::answer;
using af::test::ByName;
using af::test::Reply;
using af::test::ScriptedServer;
using af::test::Step;
using af::test::wait_until;
using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// Start, a scan header and its data, and the end marker: the least a JPEG must hold.
const std::string jpeg =
    std::string("\xFF\xD8\xFF\xDA\x00\x02", 6) + std::string(3000, 'j') + "\xFF\xD9";

double seconds_since(SteadyClock::time_point t0) {
  return std::chrono::duration<double>(SteadyClock::now() - t0).count();
}

Bytes fetch(const std::string& url, int timeout_s = 1) {
  return http_fetch(url, 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {}, {},
                    timeout_s);
}

fs::path temp_folder() {
  fs::path d =
      fs::temp_directory_path() / ("af-mis-" + std::to_string(::getpid()) + "-" +
                                   std::to_string(SteadyClock::now().time_since_epoch().count()));
  fs::create_directories(d);
  return d;
}

}  // namespace

// Every way of going silent ends soon after the time-out, on fresh and reused connections.
struct SilenceCase {
  const char* name;
  bool reused;
  Reply stall;
};
const std::string head100 = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";
class Silence : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(Silence, EndsAfterTheTimeOut) {
  const SilenceCase& c = GetParam();
  ScriptedServer srv([&](size_t i, const std::string&) {
    return c.reused && i == 0 ? answer("200 OK", "first") : c.stall;
  });
  if (c.reused) {
    ASSERT_EQ(fetch(srv.base() + "/a").size(), 5u);
  }
  // The transport's own time-out, a fraction of the one-second least a fetch can ask for.
  TransferRequest rq = plain_http_get(srv.base() + "/b");
  rq.timeout_ms = 300;
  auto t0 = SteadyClock::now();
  TransferResult r = perform_transfer(rq);
  EXPECT_FALSE(r.complete);  // what makes a fetch hand back no body
  EXPECT_EQ(r.error, TransferError::no_answer);
  EXPECT_LT(seconds_since(t0), 3.0);
  if (c.reused) {
    EXPECT_EQ(srv.connections(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Misbehaving, Silence,
    ::testing::Values(SilenceCase{"fresh, before headers", false, {{{"", 20000}}}},
                      SilenceCase{"fresh, mid-body", false, {{{head100 + "half", 20000}}}},
                      SilenceCase{"reused, before headers", true, {{{"", 20000}}}},
                      SilenceCase{"reused, mid-body", true, {{{head100 + "half", 20000}}}}),
    ByName());

TEST(Misbehaving, DripBelowTheMinimumSpeedEnds) {
  ScriptedServer srv([](size_t, const std::string&) {
    return Reply{{{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", 0}, {"x", 400, 100}}};
  });
  TransferRequest rq = plain_http_get(srv.base() + "/drip");
  rq.slow_window_s = 1;
  auto t0 = SteadyClock::now();
  TransferResult r = perform_transfer(rq);
  EXPECT_EQ(r.error, TransferError::too_slow);
  EXPECT_LT(seconds_since(t0), 6.0);
}

TEST(Misbehaving, LengthsAndEndlessBodiesAreCapped) {
  ScriptedServer srv([](size_t i, const std::string&) {
    if (i == 0) return Reply{{{"HTTP/1.1 200 OK\r\nContent-Length: 4000000000\r\n\r\nabc", 5000}}};
    return Reply{{{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", 0},
                  {std::string(1 << 20, 'z'), 0, 100000}}};
  });
  auto t0 = SteadyClock::now();
  EXPECT_TRUE(fetch(srv.base() + "/claims-4gb").empty());
  EXPECT_EQ(last_fetch_report().error, TransferError::too_large);
  EXPECT_TRUE(fetch(srv.base() + "/endless", 15).empty());
  EXPECT_EQ(last_fetch_report().error, TransferError::too_large);
  EXPECT_LT(seconds_since(t0), 10.0);
}

// Only whole pictures are saved, and busy servers are waited for.
struct PictureCase {
  const char* name;
  std::vector<Reply> replies;  // by attempt; the last one repeats
  bool saved;
  size_t requests;
  const char* cause;
};
class PictureAnswers : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureAnswers, OnlyWholePicturesAreSavedAndBusyServersAreWaitedFor) {
  const PictureCase& c = GetParam();
  fs::path dir = temp_folder();
  Folder folder(gbk_path(dir));
  ScriptedServer srv(
      [&](size_t i, const std::string&) { return c.replies[std::min(i, c.replies.size() - 1)]; });
  DrivenClock clock;
  set_clock(&clock);
  PictureResult r = fetch_picture(srv.base() + "/p.jpg", folder, "p.jpg");
  set_clock(nullptr);
  EXPECT_EQ(r.saved, c.saved);
  EXPECT_EQ(gbk_to_utf8(r.cause), c.cause);
  EXPECT_EQ(srv.requests().size(), c.requests);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), c.saved ? 1 : 0)
      << "nothing but the picture is left";
  EXPECT_EQ(fs::exists(dir / "p.jpg"), c.saved);
  // Two pauses between three attempts, none after the last; Retry-After is waited for.
  std::vector<long> pauses(c.requests - 1, 2000);
  if (std::string(c.name).rfind("429", 0) == 0) pauses = {1000};
  EXPECT_EQ(clock.waits(), pauses);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Misbehaving, PictureAnswers,
    ::testing::Values(
        PictureCase{"cut off without a length",
                    {{{{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + jpeg.substr(0, 1500)}}}},
                    false,
                    3,
                    "不是完整的图片"},
        PictureCase{"JSON with 200",
                    {answer("200 OK", "{\"e\":1}", "Content-Type: image/jpeg\r\n")},
                    false,
                    3,
                    "不是完整的图片"},
        PictureCase{"JPEG sent as text/html",
                    {answer("200 OK", jpeg, "Content-Type: text/html\r\n")},
                    true,
                    1,
                    ""},
        PictureCase{"404 is final", {answer("404 Not Found", "no")}, false, 1, "服务器返回 404"},
        PictureCase{
            "429 then the picture",
            {answer("429 Too Many Requests", "", "Retry-After: 1\r\n"), answer("200 OK", jpeg)},
            true,
            2,
            ""}),
    ByName());

TEST(Misbehaving, RetryAfterAsSecondsOrDate) {
  EXPECT_EQ(parse_retry_after(" 3 "), 3000);
  EXPECT_EQ(parse_retry_after("7200"), 7200000);
  EXPECT_EQ(parse_retry_after("Wed, 21 Oct 2015 07:28:00 GMT"), 0);  // in the past
  EXPECT_EQ(parse_retry_after("Fri, 31 Dec 2255 23:59:59 GMT"), 24L * 3600 * 1000);
  EXPECT_EQ(parse_retry_after("soon"), -1);
}

// Raw header bytes never spill into another line, and redirects' cookies count.
TEST(Misbehaving, HeaderBytesNeverBecomeRequestLines) {
  ScriptedServer srv([](size_t, const std::string& request) {
    if (request.rfind("GET /first", 0) == 0)
      return Reply{{{"HTTP/1.1 302 Found\nSet-Cookie: k=\xe4\xb8\xad\xe4\nLocation: /next\n"
                     "Content-Length: 0\n\n"}},
                   true};
    return answer("200 OK", "ok", "Set-Cookie: second=2\r\n");
  });
  Text cookies, fresh, rh;
  http_fetch(srv.base() + "/first", 0, {}, &cookies, &fresh, nullptr, &rh);
  EXPECT_EQ(cookies.find('\n'), Text::npos);
  EXPECT_EQ(cookies.find("Location"), Text::npos);
  EXPECT_NE(cookies.find("second=2"), Text::npos);
  EXPECT_NE(cookies.find("k="), Text::npos);
  http_fetch(srv.base() + "/again", 0, {}, &cookies);
  auto reqs = srv.requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[2].find("\r\nLocation"), std::string::npos);
  EXPECT_EQ(reqs[2].find("\r\nContent-Length: 0"), std::string::npos);

  Text inet_cookies, inet_headers;
  inet_fetch(srv.base() + "/first", 0, {}, &inet_cookies, nullptr, nullptr, &inet_headers);
  EXPECT_EQ(inet_cookies.find('\n'), Text::npos);
  EXPECT_NE(inet_headers.find("\r\n"), Text::npos);
}

TEST(Misbehaving, EscapedAddressesAndHeadBodies) {
  ScriptedServer srv([](size_t, const std::string&) { return answer("200 OK", "ok"); });
  EXPECT_EQ(fetch(srv.base() + "/a b/\xD6\xD0").size(), 2u);
  Bytes body{'h', '=', '1'};
  http_fetch(srv.base() + "/head", 2, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, body);
  auto reqs = srv.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].rfind("GET /a%20b/%E4%B8%AD HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(reqs[1].rfind("HEAD /head HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(reqs[1].substr(reqs[1].size() - 3), "h=1");
}

TEST(Misbehaving, PauseAbandonsTheTransferInFlight) {
  fs::path dir = temp_folder();
  // The first answer sends its rest 300 ms after its start; the one after the pause at once.
  ScriptedServer srv([](size_t i, const std::string&) {
    return Reply{{{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(jpeg.size()) +
                       "\r\n\r\n" + jpeg.substr(0, 100),
                   i == 0 ? 300 : 0},
                  {jpeg.substr(100)}},
                 true};
  });
  std::atomic<bool> done{false};
  PictureResult r;
  auto w = start_worker([&] {
    r = fetch_picture(srv.base() + "/p", Folder(gbk_path(dir)), "p.jpg");
    done = true;
  });
  ASSERT_TRUE(wait_until([&] { return !srv.requests().empty(); }, "the picture request"));
  pause_worker(w);
  ASSERT_TRUE(wait_until([&] { return w->token->holding(); }, "the paused fetch to hold"));
  std::this_thread::sleep_for(std::chrono::milliseconds(450));  // past when the rest came
  EXPECT_FALSE(done);
  EXPECT_FALSE(fs::exists(dir / "p.jpg"));
  resume_worker(w);
  ASSERT_TRUE(wait_until([&] { return done.load(); }, "the continued fetch to end"));
  EXPECT_TRUE(r.saved);
  EXPECT_EQ(srv.requests().size(), 2u);  // fetched again after the pause
  stop_all_workers(1000);
  fs::remove_all(dir);
}
