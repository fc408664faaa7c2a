// A second run fetches only what the album's record cannot prove is there.
#include "download/record.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "albums/state.h"
#include "download/album.h"
#include "download/report.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "tests/support/case_name.h"
#include "tests/support/road.h"

using namespace af;
using af::test::Road;
namespace c = af::ctl;
namespace fs = std::filesystem;

namespace {

struct Fixture {
  Road r;
  community::AlbumEntry* album = nullptr;
  fs::path folder;
  Fixture(int pictures = 5) {
    auto& m = r.site.add_member("rec");
    album = &r.site.add_album(m, "r", pictures);
    r.start();
    set_album_owner("rec");
    r.window.set_checked(c::选择框_跳过已下载, true);
    folder = r.save / "rec" / "r";
  }
  fs::path file(size_t i) {
    return folder / (std::to_string(i + 1) + album->pictures[i].id + ".jpg");
  }
  // New requests for each picture during `f`.
  std::vector<size_t> fetched_during(const std::function<void()>& f) {
    std::vector<size_t> before;
    for (auto& p : album->pictures) before.push_back(r.site.hits(p.url));
    f();
    std::vector<size_t> out;
    for (size_t i = 0; i < before.size(); ++i)
      out.push_back(r.site.hits(album->pictures[i].url) - before[i]);
    return out;
  }
  AlbumOutcome run() { return download_album(album->url, "r"); }
};

void set_mtime(const fs::path& p, long sec) {
  struct timespec t[2] = {{sec, 0}, {sec, 0}};
  ::utimensat(AT_FDCWD, p.c_str(), t, 0);
}

}  // namespace

TEST(Record, OnlyWhatIsNotProvenDoneIsFetchedAgain) {
  Fixture f;
  ASSERT_EQ(f.run().saved, 5);
  EXPECT_EQ(f.fetched_during([&] { EXPECT_EQ(f.run().skipped, 5); }),
            (std::vector<size_t>{0, 0, 0, 0, 0}));

  // Tampered: a longer file, new content (a new time), only a new time, and a deletion.
  std::ofstream(f.file(0), std::ios::app) << "x";
  std::ofstream(f.file(1), std::ios::binary) << std::string(fs::file_size(f.file(1)), 'y');
  set_mtime(f.file(2), 1000000);
  fs::remove(f.file(3));
  // Only the program's own temporaries are swept; a user's look-alike stays.
  fs::path leftover = f.folder / temp_name(f.file(4).filename().string());
  fs::path users = f.folder / ".notes.part";
  std::ofstream(leftover) << "half";
  std::ofstream(users) << "mine";
  EXPECT_EQ(f.fetched_during([&] { f.run(); }), (std::vector<size_t>{1, 1, 1, 1, 0}));
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(users));

  // Skipping off: everything again, as a plain download always did.
  f.r.window.set_checked(c::选择框_跳过已下载, false);
  EXPECT_EQ(f.fetched_during([&] { f.run(); }), (std::vector<size_t>{1, 1, 1, 1, 1}));
}

struct BadRecordCase {
  const char* name;
  std::string (*spoil)(const std::string& good);
};
class BadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(BadRecord, IsNoRecord) {
  Fixture f(2);
  f.run();
  fs::path rec = f.folder / ".albumfetch-record";
  std::string good = af::test::read_file(rec);
  std::ofstream(rec, std::ios::binary | std::ios::trunc) << GetParam().spoil(good);
  EXPECT_FALSE(read_record(gbk_path(f.folder)).has_value());
  EXPECT_EQ(f.fetched_during([&] { f.run(); }), (std::vector<size_t>{1, 1}));
  ASSERT_TRUE(read_record(gbk_path(f.folder)).has_value());  // written anew
}

INSTANTIATE_TEST_SUITE_P(
    Record, BadRecord,
    ::testing::Values(
        BadRecordCase{"cut off", [](const std::string& g) { return g.substr(0, g.rfind("end")); }},
        BadRecordCase{
            "a later format",
            [](const std::string& g) { return "albumfetch-record\t2" + g.substr(g.find('\n')); }},
        BadRecordCase{"not a record",
                      [](const std::string&) { return std::string("\x89PNG garbage\n"); }},
        BadRecordCase{"unknown state",
                      [](const std::string& g) {
                        return g.substr(0, g.find("\tsaved")) + "\tgone" +
                               g.substr(g.find("\tsaved") + 6);
                      }}),
    af::test::ByName());

TEST(Record, ReportReadsTheRecordsAlone) {
  Fixture f(3);
  f.r.site.set_fault(f.album->pictures[2].url, {0, 404});
  f.run();
  fs::remove(f.file(1));
  // The same page in a second folder, as another selection would give it.
  download_album(f.album->url, "r2");
  f.r.site.stop();
  auto albums = report_albums(gbk_path(f.r.save));
  ASSERT_EQ(albums.size(), 2u);
  EXPECT_EQ(gbk_to_utf8(albums[0].folder), f.folder.string());
  EXPECT_EQ(gbk_to_utf8(albums[0].page_address), f.album->url);
  EXPECT_EQ(albums[0].saved, 1);
  EXPECT_EQ(albums[0].missing, 1);
  EXPECT_EQ(albums[0].failed, 1);
  ASSERT_EQ(albums[0].same_page.size(), 1u);
  EXPECT_EQ(gbk_to_utf8(albums[0].same_page[0]), (f.r.save / "rec" / "r2").string());
}
