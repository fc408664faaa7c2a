// Timing helpers: every target is a ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Best of `runs` wall-clock times of f, in seconds.
inline double best_of(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// Best of `runs`, with `prepare` run untimed before each.
inline double best_of(int runs, const std::function<void()>& prepare,
                      const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    prepare();
    best = std::min(best, best_of(1, f));
  }
  return best;
}

// Walks a buffer larger than any cache, so the next measurement starts cold.
inline void evict_caches() {
  static std::vector<char> junk(96u << 20, 1);
  long sum = 0;
  for (size_t i = 0; i < junk.size(); i += 64) sum += junk[i]++;
  benchmark::DoNotOptimize(sum);
}

inline int failures = 0;

// Prints one line: what, the value, the target and whether it holds.
inline void report(const char* what, double value, double target, bool below = true) {
  bool ok = below ? value <= target : value >= target;
  if (!ok) ++failures;
  std::printf("%-62s %10.3f  (target %s %.3f)  %s\n", what, value, below ? "<=" : ">=", target,
              ok ? "ok" : "MISSED");
  std::fflush(stdout);
}

// Peak resident memory (bytes) that f adds, measured in a child process.
inline long peak_memory_added(const std::function<void()>& f) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    f();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    long added = (after.ru_maxrss - before.ru_maxrss) * 1024;
    (void)!::write(fds[1], &added, sizeof added);
    ::_exit(0);
  }
  ::close(fds[1]);
  long added = -1;
  (void)!::read(fds[0], &added, sizeof added);
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return added;
}

inline int finish() {
  std::printf("%s\n", failures ? "some targets were missed" : "all targets met");
  return failures ? 1 : 0;
}

}  // namespace bench
