#include "http/fetch.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/worker.h"
#include "tests/support/test_server.h"
#include "tests/support/wait.h"
#include "tests/support/wire_recorder.h"

using namespace af;
using af::test::TestServer;
using af::test::wait_until;
using af::test::WireRecorder;

namespace {

std::string str(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

// The header lines after curl's own Host line.
std::vector<std::string> after_host(std::vector<std::string> lines) {
  if (!lines.empty() && lines[0].rfind("Host:", 0) == 0) lines.erase(lines.begin());
  return lines;
}

}  // namespace

TEST(HttpFetchWire, DefaultHeaderLinesInOrderCookieFirst) {
  WireRecorder wire;
  std::string url = wire.base() + "/a";
  Text cookies = "k=v";
  EXPECT_EQ(str(http_fetch(url, 0, {}, &cookies)), "ok");
  EXPECT_EQ(wire.request_line(0), "GET /a HTTP/1.1");
  EXPECT_EQ(after_host(wire.header_lines(0)),
            (std::vector<std::string>{
                "Cookie: k=v", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                "Content-Type: application/x-www-form-urlencoded"}));
}

TEST(HttpFetchWire, CallersLinesMethodsAndBodies) {
  WireRecorder wire;
  Text headers = "X-One: 1\r\nReferer: http://r/";
  http_fetch(wire.base() + "/p", 1, "a=1", nullptr, nullptr, &headers);
  auto lines = after_host(wire.header_lines(0));
  EXPECT_EQ(lines[0], "X-One: 1");
  EXPECT_EQ(lines[1], "Referer: http://r/");
  EXPECT_EQ(wire.request_line(0), "POST /p HTTP/1.1");
  EXPECT_EQ(wire.body(0), "a=1");
  EXPECT_NE(headers.find("Accept-Language: zh-cn"), Text::npos);  // completed block returned

  Bytes raw{'b', 0, 'y'};
  http_fetch(wire.base() + "/p", 7, "ignored", nullptr, nullptr, nullptr, nullptr, nullptr, false,
             raw);
  EXPECT_EQ(wire.request_line(1), "GET /p HTTP/1.1");
  EXPECT_EQ(wire.body(1), std::string("b\0y", 3));
}

TEST(InetFetchWire, UserAgentRulesAndNoBodyForGet) {
  WireRecorder wire;
  Text h1 = "User-Agent: X\r\n";
  inet_fetch(wire.base() + "/", 0, "body", nullptr, nullptr, &h1);
  auto lines = after_host(wire.header_lines(0));
  EXPECT_EQ(lines[0], "User-Agent: X");
  EXPECT_EQ(wire.body(0), "");
  EXPECT_EQ(h1.rfind("User-Agent: X\r\n\r\nAccept: */*", 0), 0u);

  Text h2;
  inet_fetch(wire.base() + "/", 0, {}, nullptr, nullptr, &h2);
  bool found = false;
  for (auto& l : wire.header_lines(1))
    found |= l == "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  EXPECT_TRUE(found);
  EXPECT_EQ(h2.find("User-Agent"), Text::npos);

  Bytes post;
  inet_fetch(wire.base() + "/", 1, "a=1", nullptr, nullptr, nullptr, nullptr, false, &post);
  EXPECT_EQ(wire.body(2), "a=1");
  EXPECT_EQ(post, (Bytes{'a', '=', '1'}));

  Text cookies = "s=1";
  inet_fetch(wire.base() + "/", 0, {}, &cookies);
  auto last = wire.header_lines(3);
  EXPECT_EQ(last.back(), "Cookie: s=1");
}

TEST(Proxy, AbsoluteFormRequestAndCredentials) {
  WireRecorder proxy;
  http_fetch("http://far.example/x", 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {},
             proxy.host_port_for_test(), 0, "u", "p");
  EXPECT_EQ(proxy.request_line(0), "GET http://far.example/x HTTP/1.1");
  bool auth = false;
  for (auto& l : proxy.header_lines(0)) auth |= l.rfind("Proxy-Authorization: Basic", 0) == 0;
  EXPECT_TRUE(auth);
  inet_fetch("http://far.example/y", 0, {}, nullptr, nullptr, nullptr, nullptr, false, nullptr,
             proxy.host_port_for_test());
  EXPECT_EQ(proxy.request_line(1), "GET http://far.example/y HTTP/1.1");
}

class FetchServer : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& h = srv.http();
    h.Get("/cookies", [](const httplib::Request&, httplib::Response& r) {
      r.set_header("Set-Cookie", "b=20; path=/");
      r.headers.emplace("Set-Cookie", "c=deleted; expires=yesterday");
      r.headers.emplace("Set-Cookie", "d=4");
      r.set_content("c", "text/plain");
    });
    h.Get("/redirect",
          [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/target"); });
    h.Get("/to-file", [](const httplib::Request&, httplib::Response& r) {
      r.set_redirect("file:///etc/passwd");
    });
    h.Get("/target", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("arrived", "text/plain");
    });
    h.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("not here", "text/plain");
    });
    h.Get("/broken", [](const httplib::Request&, httplib::Response& r) {
      r.status = 500;
      r.set_content("oops", "text/plain");
    });
    h.Get("/stall", [](const httplib::Request&, httplib::Response& r) {
      r.set_content_provider(10, "text/plain", [](size_t off, size_t, httplib::DataSink& s) {
        if (off == 0) s.write("12345", 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(off == 0 ? 50 : 1300));
        return off == 0;
      });
    });
    h.Get("/cut", [](const httplib::Request&, httplib::Response& r) {
      r.set_content_provider(100, "text/plain", [](size_t off, size_t, httplib::DataSink& s) {
        if (off == 0) {
          s.write("half", 4);
          return true;
        }
        return false;  // the connection closes mid-body
      });
    });
    h.Get("/chunked", [](const httplib::Request&, httplib::Response& r) {
      r.set_chunked_content_provider("text/plain", [](size_t off, httplib::DataSink& s) {
        if (off < 30) {
          s.write("0123456789", 10);
        } else {
          s.done();
        }
        return true;
      });
    });
    h.Get("/slow", [](const httplib::Request&, httplib::Response& r) {
      r.set_chunked_content_provider("text/plain", [](size_t off, httplib::DataSink& s) {
        // Keeps arriving for longer than the time-out: must never be cut off.
        if (off < 6) {
          std::this_thread::sleep_for(std::chrono::milliseconds(300));
          s.write("x", 1);
        } else {
          s.done();
        }
        return true;
      });
    });
    h.Get("/hang", [](const httplib::Request&, httplib::Response& r) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1200));
      r.set_content("late", "text/plain");
    });
    h.Get("/head",
          [](const httplib::Request&, httplib::Response& r) { r.set_header("X-Head", "1"); });
    srv.start();
  }
  TestServer srv;
};

TEST_F(FetchServer, CookieRoundTripBothRoutines) {
  Text cookies = "a=1; b=2; c=3", fresh;
  http_fetch(srv.base() + "/cookies", 0, {}, &cookies, &fresh);
  EXPECT_EQ(cookies, "b=20; d=4; a=1");
  EXPECT_EQ(fresh, "b=20;c=deleted;d=4");

  Text c2, f2;
  inet_fetch(srv.base() + "/cookies", 0, {}, &c2, &f2);
  EXPECT_EQ(c2, "b=20; d=4");
  auto reqs = srv.requests(2);
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].headers.find("Cookie")->second, "a=1; b=2; c=3");
  EXPECT_EQ(reqs[1].headers.count("Cookie"), 0u);
}

TEST_F(FetchServer, RedirectsStatusesAndHead) {
  EXPECT_EQ(str(http_fetch(srv.base() + "/redirect")), "arrived");
  int status = 0;
  Text rh;
  http_fetch(srv.base() + "/redirect", 0, {}, nullptr, nullptr, nullptr, &rh, &status, true);
  EXPECT_EQ(status, 302);
  EXPECT_NE(rh.find("Location: /target"), Text::npos);
  EXPECT_EQ(rh.find("HTTP/1.1"), Text::npos);  // no status line
  EXPECT_EQ(str(inet_fetch(srv.base() + "/redirect")), "arrived");

  EXPECT_EQ(
      str(http_fetch(srv.base() + "/missing", 0, {}, nullptr, nullptr, nullptr, nullptr, &status)),
      "not here");
  EXPECT_EQ(status, 404);
  EXPECT_EQ(
      str(http_fetch(srv.base() + "/broken", 0, {}, nullptr, nullptr, nullptr, nullptr, &status)),
      "oops");
  EXPECT_EQ(status, 500);

  Text head_headers;
  EXPECT_TRUE(
      http_fetch(srv.base() + "/head", 2, {}, nullptr, nullptr, nullptr, &head_headers, &status)
          .empty());
  EXPECT_EQ(status, 200);
  EXPECT_NE(head_headers.find("X-Head: 1"), Text::npos);
  Text inet_headers;
  inet_fetch(srv.base() + "/head", 2, {}, nullptr, nullptr, nullptr, &inet_headers);
  EXPECT_EQ(inet_headers.rfind("HTTP/1.1 200", 0), 0u);  // raw block, status line first
}

TEST_F(FetchServer, NoSchemeButHttpEvenThroughRedirects) {
  EXPECT_TRUE(http_fetch(srv.base() + "/to-file").empty());
  EXPECT_TRUE(inet_fetch(srv.base() + "/to-file").empty());
  EXPECT_TRUE(http_fetch("file:///etc/passwd").empty());
  EXPECT_TRUE(read_url("file:///etc/passwd").empty());
}

TEST_F(FetchServer, FailuresGiveEmptyOrPartialBodies) {
  int status = -1;
  Text rh = "x";
  EXPECT_TRUE(
      http_fetch("http://127.0.0.1:1/", 0, {}, nullptr, nullptr, nullptr, &rh, &status).empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(rh, "");
  EXPECT_NE(last_fetch_report().error, TransferError::none);
  Text irh;
  EXPECT_TRUE(inet_fetch("http://127.0.0.1:1/", 0, {}, nullptr, nullptr, nullptr, &irh).empty());
  EXPECT_EQ(irh, std::string(5000, ' '));

  // A stall longer than the time-out fails; a cut-off body is empty or partial by routine.
  EXPECT_TRUE(http_fetch(srv.base() + "/stall", 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr,
                         false, {}, {}, 1)
                  .empty());
  EXPECT_TRUE(http_fetch(srv.base() + "/cut").empty());
  EXPECT_EQ(str(inet_fetch(srv.base() + "/cut")), "half");
  EXPECT_EQ(str(read_url(srv.base() + "/cut")), "half");
  EXPECT_EQ(str(http_fetch(srv.base() + "/chunked")), "012345678901234567890123456789");
  EXPECT_EQ(str(read_url(srv.base() + "/chunked")), "012345678901234567890123456789");
}

TEST_F(FetchServer, TimeOutIsPerStageNotForTheWholeTransfer) {
  auto t0 = std::chrono::steady_clock::now();
  Bytes body = http_fetch(srv.base() + "/slow", 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr,
                          false, {}, {}, 1);
  EXPECT_EQ(body.size(), 6u);
  EXPECT_GT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));
}

TEST_F(FetchServer, CancelledWorkerEndsItsRequestPromptly) {
  std::atomic<bool> done{false};
  std::chrono::steady_clock::time_point ended;
  Bytes body;
  auto w = start_worker([&] {
    body = http_fetch(srv.base() + "/hang");
    ended = std::chrono::steady_clock::now();
    done = true;
  });
  ASSERT_EQ(srv.requests(1).size(), 1u);  // the server holds its answer for 1.2 s from here
  auto t0 = std::chrono::steady_clock::now();
  kill_worker(w);
  ASSERT_TRUE(wait_until([&] { return done.load(); }, "the cancelled request to end"));
  EXPECT_EQ(str(body), "");  // cut off, not waited out
  EXPECT_LT(ended - t0, std::chrono::milliseconds(1000));
  stop_all_workers(1000);
}

TEST_F(FetchServer, ConnectToSendsEveryConnectionToTheTestHost) {
  set_connect_to(srv.host_port());
  Bytes b = http_fetch("http://pp.163.com/target");
  Bytes c = read_url("http://imgsize.ph.126.net/target");
  set_connect_to("");
  EXPECT_EQ(str(b), "arrived");
  EXPECT_EQ(str(c), "arrived");
  auto reqs = srv.requests(2);
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].headers.find("Host")->second, "pp.163.com");
  EXPECT_EQ(reqs[1].headers.find("Host")->second, "imgsize.ph.126.net");
}

TEST_F(FetchServer, RequestObjectIsReusable) {
  RequestContext ctx;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(str(http_fetch(srv.base() + "/target", 0, {}, nullptr, nullptr, nullptr, nullptr,
                             nullptr, false, {}, {}, 0, {}, {}, std::nullopt, &ctx)),
              "arrived");
}
