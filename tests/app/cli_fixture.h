// Runs the program in a child process against the fake community, for the command-line
// tests.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/community/community.h"
#include "tests/support/road.h"
#include "tests/support/wait.h"

namespace af::test {

namespace fs = std::filesystem;
using af::community::Community;

struct Outcome {
  int status;
  std::string out, err;
};

// The child's wait status; one that outlives the wait is killed, and the test fails.
inline int reap(pid_t pid, std::string_view what) {
  int st = 0;
  bool ended = wait_until([&] { return ::waitpid(pid, &st, WNOHANG) == pid; }, what);
  EXPECT_TRUE(ended);
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &st, 0);
  }
  return st;
}

class Cli : public ::testing::Test {
 public:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');  // a case of a parameterised test
    dir = fs::temp_directory_path() / ("af_cli_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    site.stop();
    fs::remove_all(dir);
  }
  // Runs the program with `args`, pointed at the fake community; with `interrupt_when`,
  // interrupts it once that holds.
  Outcome run(std::vector<std::string> args, const std::function<bool()>& interrupt_when = {}) {
    pid_t pid = spawn(args);
    if (interrupt_when) {
      EXPECT_TRUE(wait_until(interrupt_when, "the moment to interrupt the program"));
      ::kill(pid, SIGINT);
    }
    int st = reap(pid, "the program to exit");
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, read_file(dir / "out"), read_file(dir / "err")};
  }
  pid_t spawn(std::vector<std::string> args) {
    if (!stdin_text.empty()) std::ofstream(dir / "in") << stdin_text;
    pid_t pid = ::fork();
    if (pid == 0) {
      std::string env =
          "ALBUMFETCH_CONNECT_TO=" + (connect_to.empty() ? site.connect_to() : connect_to);
      ::putenv(env.data());
      // Retry pauses and settling delays take no real time unless the test needs them to.
      if (!real_time) ::putenv(const_cast<char*>("ALBUMFETCH_DRIVEN_CLOCK=1"));
      for (const std::string& name : unset) ::unsetenv(name.c_str());
      for (const std::string& kv : extra_env) ::putenv(const_cast<char*>(kv.c_str()));
      if (memory_limit > 0) {
        rlimit limit{memory_limit, memory_limit};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      if (!stdin_text.empty()) {
        FILE* i = std::freopen((dir / "in").c_str(), "r", stdin);
        (void)i;
      }
      FILE* o = std::freopen((dir / "out").c_str(), "w", stdout);
      FILE* e = std::freopen((dir / "err").c_str(), "w", stderr);
      (void)o, (void)e;
      std::vector<char*> argv{const_cast<char*>(ALBUMFETCH_EXE)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(ALBUMFETCH_EXE, argv.data());
      ::_exit(127);
    }
    return pid;
  }
  Community site;
  fs::path dir;
  std::string connect_to;  // instead of the fake community
  rlim_t memory_limit = 0;
  bool real_time = false;                     // the child's waits take real time
  std::vector<std::string> unset, extra_env;  // for the child only
  std::string stdin_text;                     // the child's standard input
};

}  // namespace af::test
