// The record as a file: appended lines, torn ends, hostile sizes and numbers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "download/record.h"
#include "platform/files.h"
#include "tests/support/read_file.h"

using namespace af;
namespace fs = std::filesystem;

namespace {

struct RecordFile : ::testing::Test {
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("af_recfile_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    folder = gbk_path(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  AlbumRecord album(int n) {
    AlbumRecord r{"http://pp.163.com/m/pp/1.html", {}};
    for (int i = 1; i <= n; ++i) {
      RecordEntry e;
      e.order = i;
      e.id = std::to_string(i);
      e.file_name = std::to_string(i) + e.id + ".jpg";
      e.address = "http://img/" + e.id;
      r.entries.push_back(e);
    }
    return r;
  }
  std::string text() { return af::test::read_file(dir / ".albumfetch-record"); }
  void put(const std::string& s) {
    std::ofstream(dir / ".albumfetch-record", std::ios::binary | std::ios::trunc) << s;
  }
  fs::path dir;
  Text folder;
};

RecordEntry saved(RecordEntry e, std::int64_t size) {
  e.state = PictureState::saved;
  e.size = size;
  e.mtime_ns = 1;
  return e;
}

}  // namespace

TEST_F(RecordFile, AppendedLinesCountAndATornLastLineIsIgnored) {
  RecordWriter w(folder, album(3));
  ASSERT_TRUE(w.save());
  ASSERT_TRUE(w.update(1, saved(w.record().entries[1], 7)));
  ASSERT_TRUE(w.update(2, saved(w.record().entries[2], 9)));
  auto r = read_record(folder, 3);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries[0].state, PictureState::pending);
  EXPECT_EQ(r->entries[1].size, 7);
  EXPECT_EQ(r->entries[2].size, 9);

  std::string whole = text();
  put(whole.substr(0, whole.size() - 5));  // a run stopped inside its last append
  r = read_record(folder, 3);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries[1].size, 7);
  EXPECT_EQ(r->entries[2].state, PictureState::pending);
}

struct Hostile {
  const char* name;
  // Writes the bad record at `path`, given a good one.
  std::function<void(const fs::path& path, const std::string& good)> make;
};

void PrintTo(const Hostile& b, std::ostream* os) {
  *os << b.name;
}

class HostileRecord : public RecordFile, public ::testing::WithParamInterface<Hostile> {};

TEST_P(HostileRecord, IsNoRecord) {
  RecordWriter w(folder, album(2));
  ASSERT_TRUE(w.save());
  ASSERT_TRUE(w.update(0, saved(w.record().entries[0], 5)));
  std::string good = text();
  fs::remove(dir / ".albumfetch-record");
  GetParam().make(dir / ".albumfetch-record", good);
  EXPECT_FALSE(read_record(folder, 2).has_value());
}

namespace {
std::string replace_first(std::string s, const std::string& from, const std::string& to) {
  return s.replace(s.find(from), from.size(), to);
}
// A Hostile whose record is `f`(good).
Hostile text_case(const char* name, std::function<std::string(const std::string&)> f) {
  return {name, [f](const fs::path& p, const std::string& good) {
            std::ofstream(p, std::ios::binary) << f(good);
          }};
}
std::string last_line(const std::string& s) {
  return s.substr(s.rfind('\n', s.size() - 2) + 1);
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileRecord,
    ::testing::Values(
        text_case("size_beyond_64_bits",
                  [](auto& g) { return replace_first(g, "\t5\t", "\t99999999999999999999\t"); }),
        text_case("size_of_19_nines",
                  [](auto& g) { return replace_first(g, "\t5\t", "\t9999999999999999999\t"); }),
        text_case("order_zero", [](auto& g) { return replace_first(g, "\n1\t", "\n0\t"); }),
        text_case("order_out_of_sequence",
                  [](auto& g) { return replace_first(g, "\n2\t", "\n7\t"); }),
        text_case("appended_order_beyond_the_album",
                  [](auto& g) { return g + "3\t3\t33.jpg\tsaved\t1\t1\ta\t\n"; }),
        text_case("garbage_between_appended_lines",
                  [](auto& g) { return g + "junk\n" + last_line(g); }),
        text_case("far_larger_than_the_album_needs",
                  [](auto& g) {
                    std::string s = g;
                    while (s.size() <= 64 * 1024 + 2 * 1024) s += last_line(g);
                    return s;
                  }),
        Hostile{"a_link",
                [](const fs::path& p, const std::string& good) {
                  std::ofstream(p.parent_path() / "elsewhere", std::ios::binary) << good;
                  fs::create_symlink("elsewhere", p);
                }}),
    [](const auto& info) { return std::string(info.param.name); });

// A planted giant is judged by its size and never read: no listing needs 1 GB.
TEST_F(RecordFile, AGiantIsNotReadWhole) {
  {
    std::ofstream out(dir / ".albumfetch-record", std::ios::binary);
    out << "albumfetch-record\t1\npage\tx\n";
  }
  fs::resize_file(dir / ".albumfetch-record", 1ull << 30);  // sparse: costs no disk
  EXPECT_FALSE(read_record(folder, 10).has_value());
  EXPECT_FALSE(read_record(folder).has_value());  // without a listing: stops at 64 KB
}
