// Worker threads with a cooperative cancel and pause. Nothing is ever killed or suspended:
// a worker notices its token between steps, inside delays and inside transfers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace af {

class WorkerToken {
 public:
  void cancel();
  bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }
  void pause();
  void resume();
  bool paused() const;
  // Holds the calling thread while paused; returns at once when cancelled.
  void wait_while_paused();
  // True while a thread is held in wait_while_paused: the pause has taken effect.
  bool holding() const;
  // Sleeps up to `ms`, waking early only on cancel.
  void sleep_for(int ms);

 private:
  std::atomic<bool> cancelled_{false};
  mutable std::mutex m_;
  std::condition_variable cv_;
  bool paused_ = false;
  int holding_ = 0;
};

// The token of the worker running on this thread; on the main (window) thread, the token
// that closing the window cancels; null on any other thread.
WorkerToken* current_token();
// Stops whatever runs on the main thread (a single-album download inside a click
// handler) when the window closes; a new window starts it afresh.
void stop_main_thread_work();
void restart_main_thread_work();
bool current_cancelled();
// A pause point: a paused worker waits here until it is continued or cancelled.
void checkpoint();

struct Worker {
  std::shared_ptr<WorkerToken> token = std::make_shared<WorkerToken>();
  std::thread thread;
  std::atomic<bool> finished{false};
};
using WorkerHandle = std::shared_ptr<Worker>;

// Runs `routine` on a new thread; an empty handle when no thread can be made.
WorkerHandle start_worker(std::function<void()> routine);
// Asks the worker to stop. Once this returns, the worker changes no control any more.
void kill_worker(const WorkerHandle& worker);
void pause_worker(const WorkerHandle& worker);
void resume_worker(const WorkerHandle& worker);
// At exit: cancels every worker and waits for them, at most `ms` in all.
void stop_all_workers(int ms);

}  // namespace af
