// Writing inside a folder the program may share with other people's files and links.
// Every file is created new under a temporary name only this program uses, by the
// folder's descriptor, never through a link, a FIFO or a device, and renamed into place
// when whole. The folder itself may be a link the user made; what is inside it is not
// trusted.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "text/text.h"

namespace af {

// The temporary form of `final_name` (native bytes): a prefix no user file has by
// accident, a number when an earlier candidate could not be used, and as much of the
// final name as 255 bytes hold.
inline constexpr std::string_view temp_prefix = ".albumfetch-part-";
std::string temp_name(std::string_view final_name, int attempt = 1);
bool is_temp_name(std::string_view native_name);

// An open folder (program text path). Move-only; closing its last handle releases its lock.
class Folder {
 public:
  Folder() = default;
  explicit Folder(std::string_view path);
  Folder(Folder&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Folder& operator=(Folder&& o) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();
  bool is_open() const { return fd_ >= 0; }
  // Another handle on the same open folder; it shares the lock.
  Folder share() const;
  int fd() const { return fd_; }
  // An advisory lock on the folder that the kernel drops when the process ends; false
  // only when another open description holds it (true where locks are not supported).
  bool try_lock();
  // Size and modification time (ns) of a regular file named `name` (program text),
  // not following a link.
  bool stamp(const Text& name, std::int64_t& size, std::int64_t& mtime_ns) const;
  // Removes the temporary files an interrupted run left; nothing else.
  void remove_temporaries() const;

 private:
  int fd_ = -1;
};

// A file being written in a folder under its temporary name. Anything that stands in the
// way under that name is removed, or the next candidate name is taken. After commit()
// the descriptor stays open, so what is written later lands in the committed file.
class NewFile {
 public:
  NewFile(const Folder& folder, const Text& final_name);
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile();  // removes the temporary unless committed
  bool ok() const { return fd_ >= 0 && error_ == 0; }
  int error() const { return error_; }  // errno of the first failure
  bool write(const void* data, size_t n);
  bool restart();  // empties the file for a new attempt
  bool stamp(std::int64_t& size, std::int64_t& mtime_ns);
  bool commit();  // renames into place
  void discard();

 private:
  int dir_ = -1, fd_ = -1, error_ = 0;
  std::string temp_, final_;
  bool committed_ = false;
};

// A whole file at once: `path` (program text) is replaced only when all parts are written.
bool write_file_parts(std::string_view path, std::initializer_list<const Bytes*> parts);

}  // namespace af
