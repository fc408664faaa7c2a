// Cover pictures read many at a time over kept-alive connections, the way a browser fetches
// thumbnails, so that a listing with covers costs hardly more than one without. The reads
// run on a thread of their own that never touches the window.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "http/transport.h"
#include "text/text.h"

namespace af {

// Reads under way at once, all to the thumbnail service.
inline constexpr int cover_connections = 6;
// A cover read that makes no progress for this long ends.
inline constexpr long cover_stall_ms = 15000;
// A thumbnail is a few kilobytes; anything past this is no cover.
inline constexpr size_t cover_body_cap = size_t{4} << 20;

// The request of a plain cover read of `url` (program text): its user agent, its one
// header line and the system's proxy. False for anything but an http or https address.
bool cover_request(std::string_view url, TransferRequest& out);

struct CoverRead {
  size_t key = 0;
  Bytes body;             // what arrived; a read that broke off gives the part it got
  bool answered = false;  // the service sent a response, of whatever status
};

class CoverReads {
 public:
  // After `give_up_after` reads in a row end unanswered (0: never), no more are started.
  explicit CoverReads(long stall_ms = cover_stall_ms, int give_up_after = 0,
                      int connections = cover_connections);
  // Ends every read at once.
  ~CoverReads();
  CoverReads(const CoverReads&) = delete;
  CoverReads& operator=(const CoverReads&) = delete;

  // Queues a read of `url` (program text); reads start in the order they were submitted.
  // An address that cannot be read finishes at once, unanswered.
  void submit(size_t key, std::string_view url);
  // Takes a finished read, waiting up to `wait_ms` for one; false when none came.
  bool next(CoverRead& out, int wait_ms);
  // Every submitted read has ended and been taken.
  bool idle();
  // The service stayed silent too often: what is submitted from now on ends unasked.
  bool gave_up();
  // Connections opened so far.
  long connections_opened();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace af
