#include "albums/listing_covers.h"

#include <atomic>

#include "http/cover_reads.h"
#include "platform/codepage.h"
#include "platform/picture.h"
#include "platform/worker.h"

namespace af {
namespace {

std::atomic<unsigned> cover_stops{0};

// At most this many covers per trip to the window, and a trip at least this often while
// covers arrive: each trip stays far below a frame's time on the window thread.
constexpr size_t covers_per_trip = 32;
constexpr auto trip_interval = std::chrono::milliseconds(50);

}  // namespace

void stop_listing_covers() {
  cover_stops.fetch_add(1, std::memory_order_acq_rel);
}

ListingCovers::ListingCovers() : stop_generation_(cover_stops.load(std::memory_order_acquire)) {}

ListingCovers::~ListingCovers() = default;

bool ListingCovers::stopped() const {
  return current_cancelled() || cover_stops.load(std::memory_order_acquire) != stop_generation_;
}

void ListingCovers::add(int row, const Text& cover_address) {
  if (stopped()) return;
  if (!reads_) reads_ = std::make_unique<CoverReads>(cover_stall_ms, cover_silences_to_give_up);
  reads_->submit(static_cast<size_t>(row), cover_address);
}

void ListingCovers::take(int wait_ms) {
  CoverRead r;
  while (!stopped() && reads_->next(r, wait_ms)) {
    wait_ms = 0;
    auto pic = std::make_shared<Picture>();
    if (decode_picture(r.body, 100, 100, *pic))
      ready_.push_back(RowCover{static_cast<int>(r.key), std::move(pic)});
    if (ready_.size() >= covers_per_trip) send(true);
  }
  if (!gave_up_ && reads_->gave_up()) {
    gave_up_ = true;
    tell_log(LogKind::failure, GBK("缩略图服务无应答，其余相册不再获取封面。\r\n"));
  }
}

void ListingCovers::send(bool now) {
  if (ready_.empty()) return;
  auto t = std::chrono::steady_clock::now();
  if (!now && t - last_send_ < trip_interval) return;
  last_send_ = t;
  tell(CoversEvent{std::move(ready_)});
  ready_.clear();
}

void ListingCovers::deliver_arrived() {
  if (!reads_ || stopped()) return;
  take(0);
  send(false);
}

void ListingCovers::deliver_remaining() {
  if (!reads_) return;
  while (!stopped() && !reads_->idle()) {
    take(20);
    send(false);
  }
  if (!stopped()) send(true);
  reads_.reset();  // nothing of a stopped listing's reads goes on
}

}  // namespace af
