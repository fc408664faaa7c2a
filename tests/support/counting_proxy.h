// A loopback HTTP proxy that counts what it carries: every request inside its CONNECT
// tunnels is recorded and passed on to one upstream server.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace af::test {

class CountingProxy {
 public:
  explicit CountingProxy(std::string upstream_host_port);
  ~CountingProxy();
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> targets();  // "GET http://host/path", in arrival order

 private:
  void accept_loop();
  void carry(int client);
  void tunnel(int client, std::string early);
  std::string upstream_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::vector<std::string> targets_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace af::test
