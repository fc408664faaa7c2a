// The album record: a small hidden file in every album folder that lists the album page's
// pictures and what became of each. It is written whole (temporary file and rename) when
// an album starts and when it ends; in between, every picture's outcome is appended as
// one line, before the picture's file is renamed into place. So its cost grows with the
// album, not with the album's square, and whenever the program stops, the next run knows
// what stands on disk. A record that cannot be read is no record.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "text/text.h"

namespace af {

inline constexpr std::string_view record_file_name = ".albumfetch-record";
inline constexpr int record_format = 1;
// What a record may take: this much for each listed picture, plus a constant.
inline constexpr std::uint64_t record_bytes_per_picture = 1024, record_bytes_fixed = 64 * 1024;
inline constexpr size_t unknown_listing = std::numeric_limits<size_t>::max();

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

// The record in `folder`, or nothing when it is missing, cut off, unreadable, of a later
// format, not a regular file, holds a number out of range, or is larger than `listed`
// pictures could need (without a listing: than the pictures it lists so far). Such a
// record is never read whole.
std::optional<AlbumRecord> read_record(const Folder& folder, size_t listed = unknown_listing);
std::optional<AlbumRecord> read_record(const Text& folder, size_t listed = unknown_listing);

// Writes the record of one album.
class RecordWriter {
 public:
  RecordWriter(Folder folder, AlbumRecord record);
  RecordWriter(const Text& folder, AlbumRecord record)
      : RecordWriter(Folder(folder), std::move(record)) {}
  ~RecordWriter();
  const AlbumRecord& record() const { return record_; }
  // Sets one entry and appends it to the record as it stands on disk.
  bool update(size_t index, const RecordEntry& entry);
  // Writes the whole record anew; false when it could not be written (the download goes
  // on regardless).
  bool save();
  // Writes it whole when lines were appended since it last was.
  bool compact() { return appended_ == 0 || save(); }
  std::uint64_t bytes_written() const { return bytes_written_; }

 private:
  Folder folder_;
  AlbumRecord record_;
  std::vector<std::string> lines_;  // each entry's line, so writing it whole is one join
  std::unique_ptr<NewFile> file_;   // the record last saved, open for the lines that follow
  std::uint64_t bytes_written_ = 0;
  size_t appended_ = 0;
};

// Whether `entry` is proven done: saved, and its file stands, a regular file, with exactly
// that size and modification time.
bool proven_saved(const Folder& folder, const RecordEntry& entry);
bool proven_saved(const Text& folder, const RecordEntry& entry);

}  // namespace af
