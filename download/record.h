// The album record: a small hidden file in every album folder that lists the album page's
// pictures and what became of each. It is replaced whole (temporary file and rename)
// after every picture, so whenever the program stops, it never claims a file that is not
// there as written. A record that cannot be read is no record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace af {

inline constexpr std::string_view record_file_name = ".albumfetch-record";
inline constexpr int record_format = 1;

enum class PictureState { pending, saved, failed };

struct RecordEntry {
  int order = 0;
  Text id, address, file_name;  // program text
  PictureState state = PictureState::pending;
  std::int64_t size = 0, mtime_ns = 0;  // of the file as written (saved only)
  Text cause;                           // why it failed (failed only)
};

struct AlbumRecord {
  Text page_address;
  std::vector<RecordEntry> entries;
};

// The record in `folder` (program text path), or nothing when it is missing, cut off,
// unreadable or of a later format.
std::optional<AlbumRecord> read_record(const Text& folder);

// Writes records of one album; keeps each entry's line so a rewrite costs one join.
class RecordWriter {
 public:
  RecordWriter(Text folder, AlbumRecord record);
  const AlbumRecord& record() const { return record_; }
  void update(size_t index, const RecordEntry& entry);
  bool save();  // false when it could not be written; the download goes on regardless

 private:
  Text folder_;
  AlbumRecord record_;
  std::vector<std::string> lines_;
};

// Whether `entry` is proven done: saved, and its file stands with exactly that size and
// modification time.
bool proven_saved(const Text& folder, const RecordEntry& entry);
// Size and modification time (ns) of a file; false when it is not a regular file.
bool file_stamp(const Text& path, std::int64_t& size, std::int64_t& mtime_ns);

// Removes the temporary files an interrupted run left in `folder`.
void remove_leftovers(const Text& folder);

}  // namespace af
