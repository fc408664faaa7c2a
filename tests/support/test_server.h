// A loopback HTTP server for tests on cpp-httplib: handlers are registered per test and
// every request is recorded.
#pragma once

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace af::test {

struct RecordedRequest {
  std::string method, path, body;
  httplib::Headers headers;
};

class TestServer {
 public:
  TestServer();
  ~TestServer();
  // Register handlers before start(); start() binds a free port and serves.
  httplib::Server& http() { return server_; }
  void start();
  int port() const { return port_; }
  std::string host_port() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string base() const { return "http://" + host_port(); }
  // The requests so far, in the order they were made; waits until at least `at_least` are
  // there, and fails the test if they never come.
  std::vector<RecordedRequest> requests(size_t at_least = 0);
  size_t count(const std::string& path);

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex m_;
  std::vector<RecordedRequest> log_;
};

}  // namespace af::test
