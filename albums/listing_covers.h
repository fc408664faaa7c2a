// The covers of one listing: asked for as soon as their rows stand, put into the rows as
// they arrive, so a row never waits for its cover and a listing never waits for the
// thumbnail service.
#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "platform/events.h"
#include "text/text.h"

namespace af {

class CoverReads;

// Cover reads that end unanswered one after the other before no more are asked for.
inline constexpr int cover_silences_to_give_up = 3;

class ListingCovers {
 public:
  ListingCovers();
  // Ends the reads still under way at once.
  ~ListingCovers();
  ListingCovers(const ListingCovers&) = delete;
  ListingCovers& operator=(const ListingCovers&) = delete;

  // Asks for the cover of `row`, which stands in the list.
  void add(int row, const Text& cover_address);
  // Puts in the covers that have arrived, without waiting.
  void deliver_arrived();
  // Puts in the covers as they arrive until every one asked for has come or failed;
  // returns early when the listing is stopped.
  void deliver_remaining();

 private:
  bool stopped() const;
  void take(int wait_ms);
  void send(bool now);
  unsigned stop_generation_;
  std::unique_ptr<CoverReads> reads_;
  std::vector<RowCover> ready_;
  std::chrono::steady_clock::time_point last_send_ = std::chrono::steady_clock::now();
  bool gave_up_ = false;  // and said so
};

// Ends the cover reads of a running listing (a batch is starting); its rows stay.
void stop_listing_covers();

}  // namespace af
