#include "platform/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace af {
namespace {

constexpr size_t max_name_bytes = 255;
constexpr int temp_candidates = 8;

}  // namespace

std::string temp_name(std::string_view final_name, int attempt) {
  std::string name(temp_prefix);
  if (attempt > 1) name += std::to_string(attempt) + "-";
  name += final_name;
  if (name.size() > max_name_bytes) name.resize(max_name_bytes);
  return name;
}

bool is_temp_name(std::string_view name) {
  return name.size() > temp_prefix.size() && name.substr(0, temp_prefix.size()) == temp_prefix;
}

Folder::Folder(std::string_view path) {
  if (path.empty()) return;
  // O_NONBLOCK: opening names a folder, never a FIFO to wait on.
  fd_ = ::open(native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
}

Folder& Folder::operator=(Folder&& o) noexcept {
  if (this != &o) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = o.fd_;
    o.fd_ = -1;
  }
  return *this;
}

Folder Folder::share() const {
  Folder f;
  if (fd_ >= 0) f.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  return f;
}

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
}

bool Folder::try_lock() {
  if (fd_ < 0) return false;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    // Only a lock another run holds says no; a file system without locks (some network
    // mounts) must not turn every album away.
    return errno != EWOULDBLOCK;
  }
  return true;
}

bool Folder::stamp(const Text& name, std::int64_t& size, std::int64_t& mtime_ns) const {
  struct stat st;
  if (fd_ < 0 || name.empty() ||
      ::fstatat(fd_, text_to_native(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(st.st_mode))
    return false;
  size = st.st_size;
  mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return true;
}

void Folder::remove_temporaries() const {
  if (fd_ < 0) return;
  int dup = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dup < 0) return;
  DIR* d = ::fdopendir(dup);
  if (!d) {
    ::close(dup);
    return;
  }
  std::vector<std::string> doomed;
  while (dirent* e = ::readdir(d))
    if (is_temp_name(e->d_name)) doomed.emplace_back(e->d_name);
  ::closedir(d);
  for (const std::string& name : doomed) {
    struct stat st;
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
      ::unlinkat(fd_, name.c_str(), 0);
  }
}

NewFile::NewFile(const Folder& folder, const Text& final_name)
    : dir_(folder.fd()), final_(text_to_native(final_name)) {
  if (dir_ < 0 || final_.empty()) {
    error_ = dir_ < 0 ? ENOENT : EINVAL;
    return;
  }
  // O_EXCL with O_NOFOLLOW creates a new inode or fails: a planted link, FIFO or device
  // under the name is never opened, and O_NONBLOCK means no open can wait.
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  for (int k = 1; k <= temp_candidates; ++k) {
    temp_ = temp_name(final_, k);
    fd_ = ::openat(dir_, temp_.c_str(), flags, 0644);
    if (fd_ < 0 && errno == EEXIST) {
      // Our name by its prefix: whatever stands there is an obstacle, not a user's file.
      if (::unlinkat(dir_, temp_.c_str(), 0) != 0) {
        error_ = EEXIST;
        continue;  // a folder, or not ours to remove: the next name
      }
      fd_ = ::openat(dir_, temp_.c_str(), flags, 0644);
    }
    if (fd_ >= 0) {
      error_ = 0;
      return;
    }
    error_ = errno;
    if (error_ != EEXIST) return;
  }
}

NewFile::~NewFile() {
  if (!committed_) discard();
  if (fd_ >= 0) ::close(fd_);
}

bool NewFile::write(const void* data, size_t n) {
  if (!ok()) return false;
  const auto* d = static_cast<const unsigned char*>(data);
  while (n > 0) {
    ssize_t w = ::write(fd_, d, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      error_ = w < 0 ? errno : ENOSPC;
      return false;
    }
    d += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool NewFile::restart() {
  if (!ok()) return false;
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) {
    error_ = errno;
    return false;
  }
  return true;
}

bool NewFile::stamp(std::int64_t& size, std::int64_t& mtime_ns) {
  struct stat st;
  if (!ok() || ::fstat(fd_, &st) != 0) return false;
  size = st.st_size;
  mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return true;
}

bool NewFile::commit() {
  if (!ok() || committed_) return false;
  if (::renameat(dir_, temp_.c_str(), dir_, final_.c_str()) != 0) {
    error_ = errno;
    discard();
    return false;
  }
  // Someone may have put something else under the temporary name since it was made; what
  // was renamed must be the file written, or it is taken away again.
  struct stat mine, there;
  if (::fstat(fd_, &mine) != 0 ||
      ::fstatat(dir_, final_.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
      mine.st_ino != there.st_ino || mine.st_dev != there.st_dev) {
    ::unlinkat(dir_, final_.c_str(), 0);
    error_ = EEXIST;
    temp_.clear();
    return false;
  }
  committed_ = true;
  return true;
}

void NewFile::discard() {
  if (committed_ || temp_.empty() || dir_ < 0 || fd_ < 0) return;
  ::unlinkat(dir_, temp_.c_str(), 0);
  temp_.clear();
}

bool write_file_parts(std::string_view path, std::initializer_list<const Bytes*> parts) {
  if (path.empty()) return false;
  std::filesystem::path p = native_path(path);
  if (!p.has_filename()) return false;
  Folder folder(gbk_path(p.has_parent_path() ? p.parent_path() : std::filesystem::path(".")));
  NewFile file(folder, gbk_path(p.filename()));
  for (const Bytes* b : parts)
    if (!file.write(b->data(), b->size())) return false;
  return file.commit();
}

}  // namespace af
