// A loopback listener that records each request exactly as it arrives on the wire and
// answers with a canned response, for checking header lines and their order.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace af::test {

class WireRecorder {
 public:
  explicit WireRecorder(
      std::string response = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
  ~WireRecorder();
  int port() const { return port_; }
  std::string host_port_for_test() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> requests();  // raw request texts, header block and body
  // The header lines of request i (after the request line), in order.
  std::vector<std::string> header_lines(size_t i);
  std::string request_line(size_t i);
  std::string body(size_t i);

 private:
  void serve();
  std::string response_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace af::test
