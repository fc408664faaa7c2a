#include "tests/support/test_server.h"

#include <string>

#include "tests/support/wait.h"

namespace af::test {

TestServer::TestServer() {
  // Recorded before the answer goes out: a client waits for each answer, so the record
  // keeps the order requests were made in, whichever connection's thread gets there first.
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard lock(m_);
    log_.push_back({req.method, req.path, req.body, req.headers});
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // One request a connection: stopping the server then never waits on a client that
  // keeps its connections open, while a slow client still has seconds to send its request.
  server_.set_keep_alive_max_count(1);
  server_.set_keep_alive_timeout(3);
}

void TestServer::start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  EXPECT_TRUE(wait_until([&] { return server_.is_running(); }, "the test server to listen"));
}

TestServer::~TestServer() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::vector<RecordedRequest> TestServer::requests(size_t at_least) {
  EXPECT_TRUE(wait_until(
      [&] {
        std::lock_guard lock(m_);
        return log_.size() >= at_least;
      },
      std::to_string(at_least) + " request(s) to reach the test server"));
  std::lock_guard lock(m_);
  return log_;
}

size_t TestServer::count(const std::string& path) {
  std::lock_guard lock(m_);
  size_t n = 0;
  for (auto& r : log_) n += r.path == path;
  return n;
}

}  // namespace af::test
