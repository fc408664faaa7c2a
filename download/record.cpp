#include "download/record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

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

bool parse_int(std::string_view s, std::int64_t& out) {
  if (s.empty() || s.size() > 19) return false;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}

std::string record_path(const Text& folder) {
  return (native_path(folder) / std::string(record_file_name)).string();
}

}  // namespace

std::optional<AlbumRecord> read_record(const Text& folder) {
  std::ifstream in(record_path(folder), std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  auto head = fields(line);
  std::int64_t version = 0;
  if (head.size() != 2 || head[0] != magic || !parse_int(head[1], version) ||
      version != record_format)
    return std::nullopt;
  AlbumRecord rec;
  if (!std::getline(in, line)) return std::nullopt;
  auto page = fields(line);
  if (page.size() != 2 || page[0] != "page") return std::nullopt;
  rec.page_address = unescape(page[1]);
  while (std::getline(in, line)) {
    auto f = fields(line);
    std::int64_t n = 0;
    if (f.size() == 2 && f[0] == "end") {
      if (!parse_int(f[1], n) || static_cast<size_t>(n) != rec.entries.size()) return std::nullopt;
      return rec;
    }
    if (f.size() != 8) return std::nullopt;
    RecordEntry e;
    std::int64_t order = 0;
    if (!parse_int(f[0], order) || order > 1'000'000'000 || !parse_int(f[4], e.size) ||
        !parse_int(f[5], e.mtime_ns))
      return std::nullopt;
    e.order = static_cast<int>(order);
    e.id = unescape(f[1]);
    e.file_name = unescape(f[2]);
    if (f[3] == "saved") {
      e.state = PictureState::saved;
    } else if (f[3] == "failed") {
      e.state = PictureState::failed;
    } else if (f[3] != "pending") {
      return std::nullopt;
    }
    e.address = unescape(f[6]);
    e.cause = unescape(f[7]);
    rec.entries.push_back(std::move(e));
  }
  return std::nullopt;  // no end line: cut off
}

RecordWriter::RecordWriter(Text folder, AlbumRecord record)
    : folder_(std::move(folder)), record_(std::move(record)) {
  lines_.reserve(record_.entries.size());
  for (const RecordEntry& e : record_.entries) lines_.push_back(entry_line(e));
}

void RecordWriter::update(size_t index, const RecordEntry& entry) {
  if (index >= record_.entries.size()) return;
  record_.entries[index] = entry;
  lines_[index] = entry_line(entry);
}

bool RecordWriter::save() {
  std::string head = std::string(magic) + '\t' + std::to_string(record_format) + "\npage\t" +
                     escape(record_.page_address) + '\n';
  std::string tail = "end\t" + std::to_string(lines_.size()) + '\n';
  size_t total = head.size() + tail.size();
  for (const std::string& l : lines_) total += l.size();
  std::string all;
  all.reserve(total);
  all += head;
  for (const std::string& l : lines_) all += l;
  all += tail;

  std::string final_path = record_path(folder_);
  std::string temp = final_path + ".part";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = all.data();
  size_t left = all.size();
  bool ok = true;
  while (left > 0) {
    ssize_t w = ::write(fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      ok = false;
      break;
    }
    p += w;
    left -= static_cast<size_t>(w);
  }
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), final_path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool file_stamp(const Text& path, std::int64_t& size, std::int64_t& mtime_ns) {
  struct stat st;
  if (::stat(native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = st.st_size;
  mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return true;
}

bool proven_saved(const Text& folder, const RecordEntry& e) {
  if (e.state != PictureState::saved || e.file_name.empty()) return false;
  std::int64_t size = 0, mtime = 0;
  return file_stamp(folder + "\\" + e.file_name, size, mtime) && size == e.size &&
         mtime == e.mtime_ns;
}

void remove_leftovers(const Text& folder) {
  std::error_code ec;
  std::vector<std::filesystem::path> doomed;
  for (std::filesystem::directory_iterator it(native_path(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() > 6 && name[0] == '.' && name.compare(name.size() - 5, 5, ".part") == 0 &&
        it->is_regular_file(ec))
      doomed.push_back(it->path());
  }
  for (auto& p : doomed) std::filesystem::remove(p, ec);
}

}  // namespace af
