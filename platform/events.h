// What the core tells whoever drives it, and what it asks of them. The core names no
// control and writes no caption: the Qt window, the headless window and the command line
// are its faces, and each turns these typed events into its own texts and changes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "text/text.h"

namespace af {

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;  // row-major, 0xAARRGGBB
};
// Pictures are shared, not copied, when a grown list is handed to the window again.
using PictureList = std::vector<std::shared_ptr<const Picture>>;

// A row of the album list as the listing makes it; it is numbered by its place.
struct NewRow {
  Text title, address;
  bool checked = true;
  int picture = -1;  // index into the list's pictures; -1: none
};

// What the status line says.
enum class Status {
  asking,        // the get-albums action started
  listing,       // the album-list worker is reading the home page
  listed,        // the listing ended, with `count` rows
  single_album,  // a single album's address is being downloaded at once
  album,         // an album's download started
};
struct StatusEvent {
  Status status;
  int count = 0;
};

// A log line carries its own line ends. Failures say their cause; accounts close an album,
// a batch or what is missing.
enum class LogKind { progress, failure, account };
struct LogEvent {
  LogKind kind;
  Text text;
};

// The progress bar; with `percent` shown, the percentage follows the bar.
enum class Percent { unchanged, shown, cleared };
struct ProgressEvent {
  std::optional<int> maximum, position;
  Percent percent = Percent::unchanged;
};

enum class Counter {
  pictures,        // picture `value` of `total` of the album at work
  pictures_ended,  // the album is done: no picture counter
  batch_ended,     // the whole batch is done
  albums_queued,   // `total` albums are queued
  album_at_work,   // album `value` of the queue is at work
};
struct CounterEvent {
  Counter counter;
  int value = 0, total = 0;
};

// The busy board shown while a listing runs.
struct BusyEvent {
  bool busy;
};

struct ListClearedEvent {};
struct RowsEvent {
  std::vector<NewRow> rows;
  bool with_covers = false;
};
// A cover for a row that already stands; the face that shows it keeps the only copy.
struct RowCover {
  int row = -1;
  std::shared_ptr<const Picture> picture;
};
// Covers that arrived, each for its row, in one trip.
struct CoversEvent {
  std::vector<RowCover> covers;
};

// The three overlapping download buttons.
enum class DownloadButtonState { idle, running, paused };
struct ButtonsEvent {
  DownloadButtonState state;
};

// A message box the work waits for.
enum class Notice { empty_address, bad_address, batch_done };
struct NoticeEvent {
  Notice notice;
};

using Event = std::variant<StatusEvent, LogEvent, ProgressEvent, CounterEvent, BusyEvent,
                           ListClearedEvent, RowsEvent, CoversEvent, ButtonsEvent, NoticeEvent>;

// A ticked album of the list, as the batch queues it.
struct TickedAlbum {
  Text number, title, address;
};

class Face {
 public:
  virtual ~Face() = default;
  virtual void report(const Event& event) = 0;
  // The inputs, read when the work needs them.
  virtual Text address_input() = 0;
  virtual Text save_location() = 0;
  virtual bool skip_done() = 0;
  virtual bool covers_wanted() = 0;
  virtual std::vector<TickedAlbum> ticked_albums() = 0;
};

// The face of this process; null until one is installed.
Face* current_face();
void set_current_face(Face* face);

// Reports to the current face. A paused worker is held first and a stopped one says
// nothing; with no face, nothing happens.
void tell(const Event& event);
// Shorthands for the common events.
void tell_log(LogKind kind, const Text& text);
void tell_status(Status status, int count = 0);

}  // namespace af
