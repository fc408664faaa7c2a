#include "download/report.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "download/record.h"
#include "platform/files.h"

namespace af {

std::vector<AlbumReport> report_albums(const Text& dir) {
  namespace fs = std::filesystem;
  std::vector<AlbumReport> out;
  std::error_code ec;
  fs::recursive_directory_iterator it(native_path(dir), fs::directory_options::none, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (it->path().filename() != std::string(record_file_name)) continue;
    Text folder = gbk_path(it->path().parent_path());
    Folder handle(folder);
    std::optional<AlbumRecord> rec = read_record(handle);
    if (!rec) continue;
    AlbumReport r;
    r.folder = folder;
    r.page_address = rec->page_address;
    for (const RecordEntry& e : rec->entries) {
      if (proven_saved(handle, e)) {
        ++r.saved;
      } else if (e.state == PictureState::failed) {
        ++r.failed;
      } else {
        ++r.missing;
      }
    }
    out.push_back(std::move(r));
  }
  std::sort(out.begin(), out.end(),
            [](const AlbumReport& a, const AlbumReport& b) { return a.folder < b.folder; });
  std::map<Text, std::vector<size_t>> by_page;
  for (size_t i = 0; i < out.size(); ++i) by_page[out[i].page_address].push_back(i);
  for (auto& [page, idx] : by_page)
    for (size_t i : idx)
      for (size_t k : idx)
        if (k != i) out[i].same_page.push_back(out[k].folder);
  return out;
}

}  // namespace af
