#include "albums/state.h"

#include <mutex>

namespace af {
namespace {

std::mutex m;
Text entered, owner, browse;
WorkerHandle lister, downloader;

template <typename T>
T get(const T& v) {
  std::lock_guard lock(m);
  return v;
}
template <typename T>
void put(T& slot, T v) {
  std::lock_guard lock(m);
  slot = std::move(v);
}

}  // namespace

Text entered_address() {
  return get(entered);
}
void set_entered_address(const Text& t) {
  put(entered, t);
}
Text album_owner() {
  return get(owner);
}
void set_album_owner(const Text& t) {
  put(owner, t);
}
Text browse_start_folder() {
  return get(browse);
}
void set_browse_start_folder(const Text& t) {
  put(browse, t);
}
WorkerHandle list_worker() {
  return get(lister);
}
void set_list_worker(WorkerHandle w) {
  put(lister, std::move(w));
}
WorkerHandle download_worker() {
  return get(downloader);
}
void set_download_worker(WorkerHandle w) {
  put(downloader, std::move(w));
}

}  // namespace af

#include <atomic>

namespace af {
namespace {
std::atomic<int> failures{0};
}
void note_failures(int n) {
  failures.fetch_add(n);
}
int failure_count() {
  return failures.load();
}
void reset_failure_count() {
  failures.store(0);
}
}  // namespace af
