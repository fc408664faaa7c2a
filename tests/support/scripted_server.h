// A loopback server that misbehaves on cue: each request is answered by a script of
// byte runs and pauses, and the connection is then closed or kept for the next request.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace af::test {

struct Step {
  std::string bytes;
  int pause_ms = 0;   // after each sending
  size_t repeat = 1;  // the bytes (and pause) this many times; an endless body: a large count
};

struct Reply {
  std::vector<Step> steps;
  bool keep_open = false;  // read the next request on the same connection
};

// A whole answer with a Content-Length, kept open for reuse.
Reply answer(const std::string& status, const std::string& body,
             const std::string& extra_headers = {});

class ScriptedServer {
 public:
  // `script` gets the request's 0-based number across all connections and its text.
  using Script = std::function<Reply(size_t index, const std::string& request)>;
  explicit ScriptedServer(Script script);
  ~ScriptedServer();
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string host_port() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> requests();
  size_t connections() const { return connections_.load(); }

 private:
  void accept_loop();
  void serve(int fd);
  bool send_all(int fd, const std::string& bytes);
  Script script_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> connections_{0};
  std::mutex m_;
  std::vector<std::string> requests_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace af::test
