// The concurrent cover reads: how many at once, in which order, over how many connections,
// and how a silent service ends them.
#include "http/cover_reads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "tests/support/scripted_server.h"

using namespace af;
using af::test::answer;
using af::test::Reply;
using af::test::ScriptedServer;
using af::test::Step;
using SteadyClock = std::chrono::steady_clock;

namespace {

std::string key_of(const std::string& request) {
  size_t at = request.find("/c/") + 3;
  return request.substr(at, request.find(' ', at) - at);
}

// Takes `n` finished reads, failing with what it waited for after `seconds`.
std::vector<CoverRead> take(CoverReads& reads, size_t n, int seconds) {
  std::vector<CoverRead> got;
  auto deadline = SteadyClock::now() + std::chrono::seconds(seconds);
  CoverRead r;
  while (got.size() < n && SteadyClock::now() < deadline)
    if (reads.next(r, 50)) got.push_back(std::move(r));
  EXPECT_EQ(got.size(), n) << "waited " << seconds << " s for " << n << " finished cover reads";
  return got;
}

}  // namespace

TEST(CoverReads, SixAtATimeInRowOrderOverKeptConnections) {
  constexpr size_t n = 20;
  std::mutex m;
  std::condition_variable cv;
  int in_flight = 0, most = 0;
  bool six_met = false;
  ScriptedServer srv([&](size_t index, const std::string& request) {
    std::unique_lock lock(m);
    most = std::max(most, ++in_flight);
    cv.notify_all();
    // The first reads hold their answers until six are under way at once.
    if (index < cover_connections)
      six_met = cv.wait_for(lock, std::chrono::seconds(5), [&] { return most >= 6; });
    --in_flight;
    return answer("200 OK", "cover " + key_of(request));
  });
  CoverReads reads;
  for (size_t k = 0; k < n; ++k) reads.submit(k, srv.base() + "/c/" + std::to_string(k));
  std::vector<CoverRead> got = take(reads, n, 10);
  EXPECT_TRUE(reads.idle());
  for (const CoverRead& r : got) {
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(std::string(r.body.begin(), r.body.end()), "cover " + std::to_string(r.key));
  }
  std::lock_guard lock(m);
  EXPECT_TRUE(six_met) << "six reads were never under way at once";
  EXPECT_EQ(most, cover_connections);
  EXPECT_LE(srv.connections(), static_cast<size_t>(cover_connections));
  EXPECT_EQ(reads.connections_opened(), static_cast<long>(srv.connections()));
  // Started in row order with six at a time: the i-th request to arrive is at most the
  // (i+5)-th submitted.
  std::vector<std::string> requests = srv.requests();
  ASSERT_EQ(requests.size(), n);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_LE(std::stoul(key_of(requests[i])), i + cover_connections - 1) << "arrival " << i;
    EXPECT_NE(requests[i].find("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"),
              std::string::npos);
    EXPECT_NE(requests[i].find("HTTP/1.1\r\n"), std::string::npos);
  }
}

TEST(CoverReads, SilenceEndsAReadAtItsStallTimeAndThreeInARowEndTheAsking) {
  // /c/0 answers 404 (an answer), the rest accept and say nothing.
  ScriptedServer srv([](size_t, const std::string& request) {
    if (key_of(request) == "0") return answer("404 Not Found", "");
    return Reply{{Step{"", 60000}}, false};
  });
  constexpr long stall_ms = 300;
  CoverReads reads(stall_ms, 3, 2);
  auto t0 = SteadyClock::now();
  for (size_t k = 0; k < 8; ++k) reads.submit(k, srv.base() + "/c/" + std::to_string(k));
  reads.submit(8, "file:///etc/passwd");  // no address for a cover read
  std::vector<CoverRead> got = take(reads, 9, 10);
  EXPECT_GE(SteadyClock::now() - t0, std::chrono::milliseconds(stall_ms));
  EXPECT_TRUE(reads.gave_up());
  EXPECT_TRUE(reads.idle());
  size_t answered = 0;
  for (const CoverRead& r : got) answered += r.answered;
  EXPECT_EQ(answered, 1u);
  // Two at a time: 0 answered; 1, 2, 3 silent; the fourth silence started with the third.
  EXPECT_LE(srv.requests().size(), 5u);
}

TEST(CoverReads, EndingThemDoesNotWaitForASilentService) {
  ScriptedServer srv([](size_t, const std::string&) { return Reply{{Step{"", 60000}}, false}; });
  auto reads = std::make_unique<CoverReads>();
  for (size_t k = 0; k < 10; ++k) reads->submit(k, srv.base() + "/c/" + std::to_string(k));
  auto deadline = SteadyClock::now() + std::chrono::seconds(5);
  while (srv.requests().size() < static_cast<size_t>(cover_connections) &&
         SteadyClock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(srv.requests().size(), static_cast<size_t>(cover_connections))
      << "waited 5 s for six silent reads under way";
  auto t0 = SteadyClock::now();
  reads.reset();
  EXPECT_LT(SteadyClock::now() - t0, std::chrono::seconds(1));
}
