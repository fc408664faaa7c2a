#include "download/record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/codepage.h"
#include "platform/files.h"

namespace af {
namespace {

// Lines of tab-separated UTF-8 fields: a header, the page, one line a picture, and an
// end line with the count, so a record cut short is seen as such.
constexpr std::string_view magic = "albumfetch-record";

std::string escape(const Text& text) {
  std::string u = gbk_to_utf8(text), out;
  out.reserve(u.size());
  for (char c : u) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Text unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out.push_back(n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(s[i]);
    }
  }
  return utf8_to_gbk(std::string_view(out));
}

std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return out;
    start = tab + 1;
  }
}

const char* state_name(PictureState s) {
  return s == PictureState::saved ? "saved" : s == PictureState::failed ? "failed" : "pending";
}

std::string entry_line(const RecordEntry& e) {
  return std::to_string(e.order) + '\t' + escape(e.id) + '\t' + escape(e.file_name) + '\t' +
         state_name(e.state) + '\t' + std::to_string(e.size) + '\t' + std::to_string(e.mtime_ns) +
         '\t' + escape(e.address) + '\t' + escape(e.cause) + '\n';
}

// A decimal number of at most 19 digits that fits `max`; anything else makes the record
// invalid.
bool parse_int(std::string_view s, std::int64_t& out,
               std::int64_t max = std::numeric_limits<std::int64_t>::max()) {
  if (s.empty() || s.size() > 19) return false;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    int d = c - '0';
    if (v > (max - d) / 10) return false;
    v = v * 10 + d;
  }
  out = v;
  return true;
}

bool parse_entry(std::string_view line, RecordEntry& e) {
  auto f = fields(line);
  if (f.size() != 8) return false;
  std::int64_t order = 0;
  if (!parse_int(f[0], order, 1'000'000'000) || order < 1 || !parse_int(f[4], e.size) ||
      !parse_int(f[5], e.mtime_ns))
    return false;
  e.order = static_cast<int>(order);
  e.id = unescape(f[1]);
  e.file_name = unescape(f[2]);
  if (f[3] == "saved") {
    e.state = PictureState::saved;
  } else if (f[3] == "failed") {
    e.state = PictureState::failed;
  } else if (f[3] == "pending") {
    e.state = PictureState::pending;
  } else {
    return false;
  }
  e.address = unescape(f[6]);
  e.cause = unescape(f[7]);
  return true;
}

// Lines from a descriptor, read in blocks, never more than `allowed()` bytes in all.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  // The next line without its "\n"; false at the end, on an error, and for a last line
  // cut short (a torn append), which `torn()` then tells.
  bool next(std::string_view& line, std::uint64_t allowed) {
    while (true) {
      size_t nl = buf_.find('\n', pos_);
      if (nl != std::string::npos) {
        line = std::string_view(buf_).substr(pos_, nl - pos_);
        pos_ = nl + 1;
        return true;
      }
      if (eof_) {
        torn_ = pos_ < buf_.size();
        return false;
      }
      buf_.erase(0, pos_);
      pos_ = 0;
      if (consumed_ >= allowed) {
        too_large_ = true;
        return false;
      }
      size_t want = static_cast<size_t>(std::min<std::uint64_t>(block, allowed - consumed_));
      size_t old = buf_.size();
      buf_.resize(old + want);
      ssize_t r;
      do r = ::read(fd_, buf_.data() + old, want);
      while (r < 0 && errno == EINTR);
      if (r < 0) {
        failed_ = true;
        return false;
      }
      buf_.resize(old + static_cast<size_t>(r));
      consumed_ += static_cast<std::uint64_t>(r);
      eof_ = r == 0;
    }
  }
  bool torn() const { return torn_; }
  bool failed() const { return failed_ || too_large_; }

 private:
  static constexpr size_t block = 64 * 1024;
  int fd_;
  std::string buf_;
  size_t pos_ = 0;
  std::uint64_t consumed_ = 0;
  bool eof_ = false, torn_ = false, failed_ = false, too_large_ = false;
};

std::uint64_t allowance(size_t pictures) {
  return record_bytes_fixed + record_bytes_per_picture * static_cast<std::uint64_t>(pictures);
}

std::string header(const AlbumRecord& r) {
  return std::string(magic) + '\t' + std::to_string(record_format) + "\npage\t" +
         escape(r.page_address) + '\n';
}

}  // namespace

std::optional<AlbumRecord> read_record(const Folder& folder, size_t listed) {
  if (!folder.is_open()) return std::nullopt;
  int fd = ::openat(folder.fd(), std::string(record_file_name).c_str(),
                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const bool known = listed != unknown_listing;
  if (known && static_cast<std::uint64_t>(st.st_size) > allowance(listed)) return std::nullopt;

  LineReader in(fd);
  AlbumRecord rec;
  // Without a listing the record is judged by what it lists itself, as it is read.
  auto allowed = [&] { return allowance(known ? listed : rec.entries.size()); };
  std::string_view line;
  if (!in.next(line, allowed())) return std::nullopt;
  auto head = fields(line);
  std::int64_t version = 0;
  if (head.size() != 2 || head[0] != magic || !parse_int(head[1], version) ||
      version != record_format)
    return std::nullopt;
  if (!in.next(line, allowed())) return std::nullopt;
  auto page = fields(line);
  if (page.size() != 2 || page[0] != "page") return std::nullopt;
  rec.page_address = unescape(page[1]);
  while (true) {
    if (!in.next(line, allowed())) return std::nullopt;  // no end line: cut off
    auto f = fields(line);
    if (f.size() == 2 && f[0] == "end") {
      std::int64_t n = 0;
      if (!parse_int(f[1], n) || static_cast<std::uint64_t>(n) != rec.entries.size())
        return std::nullopt;
      break;
    }
    RecordEntry e;
    if (!parse_entry(line, e) || static_cast<size_t>(e.order) != rec.entries.size() + 1)
      return std::nullopt;
    rec.entries.push_back(std::move(e));
  }
  // The lines appended since: each the new state of one entry. Only the last may be
  // cut short, by a run that stopped while writing it.
  while (in.next(line, allowed())) {
    RecordEntry e;
    if (!parse_entry(line, e) || static_cast<size_t>(e.order) > rec.entries.size())
      return std::nullopt;
    rec.entries[static_cast<size_t>(e.order) - 1] = std::move(e);
  }
  if (in.failed()) return std::nullopt;
  return rec;
}

std::optional<AlbumRecord> read_record(const Text& folder, size_t listed) {
  return read_record(Folder(folder), listed);
}

RecordWriter::RecordWriter(Folder folder, AlbumRecord record)
    : folder_(std::move(folder)), record_(std::move(record)) {
  lines_.reserve(record_.entries.size());
  for (const RecordEntry& e : record_.entries) lines_.push_back(entry_line(e));
}

RecordWriter::~RecordWriter() = default;

bool RecordWriter::update(size_t index, const RecordEntry& entry) {
  if (index >= record_.entries.size()) return false;
  record_.entries[index] = entry;
  lines_[index] = entry_line(entry);
  if (!file_ || !file_->ok()) return save();
  bytes_written_ += lines_[index].size();
  ++appended_;
  return file_->write(lines_[index].data(), lines_[index].size());
}

bool RecordWriter::save() {
  file_.reset();
  std::string head = header(record_), tail = "end\t" + std::to_string(lines_.size()) + '\n';
  size_t total = head.size() + tail.size();
  for (const std::string& l : lines_) total += l.size();
  std::string all;
  all.reserve(total);
  all += head;
  for (const std::string& l : lines_) all += l;
  all += tail;
  bytes_written_ += all.size();
  auto file = std::make_unique<NewFile>(folder_, Text(record_file_name));
  if (!file->write(all.data(), all.size()) || !file->commit()) return false;
  file_ = std::move(file);
  appended_ = 0;
  return true;
}

bool proven_saved(const Folder& folder, const RecordEntry& e) {
  if (e.state != PictureState::saved || e.file_name.empty()) return false;
  std::int64_t size = 0, mtime = 0;
  return folder.stamp(e.file_name, size, mtime) && size == e.size && mtime == e.mtime_ns;
}

bool proven_saved(const Text& folder, const RecordEntry& e) {
  return proven_saved(Folder(folder), e);
}

}  // namespace af
