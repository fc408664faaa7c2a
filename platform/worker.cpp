#include "platform/worker.h"

#include <chrono>
#include <vector>

#include "platform/window.h"

namespace af {
namespace {

thread_local WorkerToken* this_thread_token = nullptr;
// Static initialisation runs on the main thread.
const std::thread::id main_thread_id = std::this_thread::get_id();
std::shared_ptr<WorkerToken>& main_token() {
  static auto token = std::make_shared<WorkerToken>();
  return token;
}
std::mutex main_token_mutex;

std::mutex registry_mutex;
std::vector<WorkerHandle>& registry() {
  static std::vector<WorkerHandle> all;
  return all;
}

}  // namespace

void WorkerToken::cancel() {
  {
    std::lock_guard lock(m_);
    cancelled_.store(true, std::memory_order_release);
  }
  cv_.notify_all();
}

void WorkerToken::pause() {
  std::lock_guard lock(m_);
  paused_ = true;
}

void WorkerToken::resume() {
  {
    std::lock_guard lock(m_);
    paused_ = false;
  }
  cv_.notify_all();
}

bool WorkerToken::paused() const {
  std::lock_guard lock(m_);
  return paused_;
}

void WorkerToken::wait_while_paused() {
  std::unique_lock lock(m_);
  ++holding_;
  cv_.wait(lock, [&] { return !paused_ || cancelled(); });
  --holding_;
}

bool WorkerToken::holding() const {
  std::lock_guard lock(m_);
  return holding_ > 0 && paused_;
}

void WorkerToken::sleep_for(int ms) {
  std::unique_lock lock(m_);
  cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return cancelled(); });
}

WorkerToken* current_token() {
  if (this_thread_token) return this_thread_token;
  if (std::this_thread::get_id() != main_thread_id) return nullptr;
  std::lock_guard lock(main_token_mutex);
  return main_token().get();
}

bool current_cancelled() {
  WorkerToken* t = current_token();
  return t && t->cancelled();
}

void stop_main_thread_work() {
  std::lock_guard lock(main_token_mutex);
  main_token()->cancel();
}

void restart_main_thread_work() {
  std::lock_guard lock(main_token_mutex);
  // Called on the main thread between handlers, so nothing there holds the old token.
  if (main_token()->cancelled()) main_token() = std::make_shared<WorkerToken>();
}

void checkpoint() {
  if (this_thread_token) this_thread_token->wait_while_paused();
}

WorkerHandle start_worker(std::function<void()> routine) {
  auto worker = std::make_shared<Worker>();
  try {
    worker->thread = std::thread([w = worker.get(), token = worker->token, r = std::move(routine)] {
      this_thread_token = token.get();
      // Nothing a worker meets (memory refused, say) may end the whole process.
      try {
        r();
      } catch (...) {
      }
      this_thread_token = nullptr;
      w->finished.store(true, std::memory_order_release);
    });
  } catch (const std::system_error&) {
    return {};
  }
  std::lock_guard lock(registry_mutex);
  registry().push_back(worker);
  return worker;
}

void kill_worker(const WorkerHandle& worker) {
  if (!worker) return;
  // Cancelling inside the window's serialisation means no operation of the worker can be
  // half-way through when this returns.
  if (Window* w = current_window()) {
    w->run([&] { worker->token->cancel(); });
  } else {
    worker->token->cancel();
  }
}

void pause_worker(const WorkerHandle& worker) {
  if (worker) worker->token->pause();
}

void resume_worker(const WorkerHandle& worker) {
  if (worker) worker->token->resume();
}

void stop_all_workers(int ms) {
  std::vector<WorkerHandle> all;
  {
    std::lock_guard lock(registry_mutex);
    all = registry();
  }
  for (auto& w : all) w->token->cancel();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (auto& w : all) {
    while (!w->finished.load(std::memory_order_acquire) &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (w->thread.joinable()) {
      if (w->finished.load(std::memory_order_acquire)) {
        w->thread.join();
      } else {
        w->thread.detach();
      }
    }
  }
  std::lock_guard lock(registry_mutex);
  registry().clear();
}

}  // namespace af
