// Real photographs, made here with ImageMagick and exiftool, with an EXIF thumbnail and a
// camera-style trailer: whole from their end marker on, and never before it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "download/picture_check.h"
#include "download/picture_fetch.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "tests/support/road.h"
#include "tests/support/scripted_server.h"

using namespace af;
using af::test::read_file;
namespace fs = std::filesystem;

namespace {

fs::path photo_dir() {
  return fs::temp_directory_path() / ("af_photos_" + std::to_string(::getpid()));
}

// Builds the photographs once per process; "" when a tool is missing.
std::string photo(const std::string& kind) {
  static const std::map<std::string, std::string> made = [] {
    fs::path d = photo_dir();
    fs::create_directories(d);
    std::string cmd = "cd '" + d.string() +
                      "' && convert -size 480x320 -seed 7 plasma:fractal -quality 88 "
                      "baseline.jpg && convert -size 160x120 -seed 3 plasma:fractal thumb.jpg && "
                      "exiftool -q -overwrite_original '-ThumbnailImage<=thumb.jpg' -Make=Test "
                      "baseline.jpg && convert baseline.jpg -interlace JPEG progressive.jpg";
    std::map<std::string, std::string> out;
    if (std::system((cmd + " >/dev/null 2>&1").c_str()) == 0)
      for (const char* k : {"baseline", "progressive"})
        out[k] = read_file(d / (std::string(k) + ".jpg"));
    fs::remove_all(d);
    return out;
  }();
  auto it = made.find(kind);
  return it == made.end() ? std::string() : it->second;
}

// Bytes a phone appends after the end marker, markers among them.
const std::string trailer =
    std::string("\0\0SEFH\xFF\xD8\xFF\xE1\x00\x10\xFF\xD9", 14) + "MotionPhoto";

// Where the EXIF thumbnail's own end marker ends: after the second start marker.
size_t thumbnail_end(const std::string& p) {
  size_t soi = p.find("\xFF\xD8\xFF", 2);
  size_t eoi = soi == std::string::npos ? soi : p.find("\xFF\xD9", soi);
  return eoi == std::string::npos ? 0 : eoi + 2;
}

class Photo : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    bytes = photo(GetParam());
    ASSERT_FALSE(bytes.empty()) << "convert and exiftool make the photographs (scripts/setup)";
    ASSERT_GT(thumbnail_end(bytes), 0u) << "the photograph carries an embedded thumbnail";
    ASSERT_NE(bytes.find("\xFF\xDA", thumbnail_end(bytes)), std::string::npos)
        << "the photograph's own scan follows its thumbnail";
  }
  std::string bytes;
};

}  // namespace

TEST_P(Photo, IsWholeFromItsEndMarkerOnAndNeverBefore) {
  PictureCheck c;
  const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t first_whole = 0;
  for (size_t k = 0; k < bytes.size(); ++k) {
    c.feed(d + k, 1);
    if (c.whole() && !first_whole) first_whole = k + 1;
  }
  EXPECT_EQ(first_whole, bytes.size()) << "cut at " << first_whole << " of " << bytes.size()
                                       << " (thumbnail ends at " << thumbnail_end(bytes) << ")";
  c.feed(reinterpret_cast<const unsigned char*>(trailer.data()), trailer.size());
  EXPECT_TRUE(c.whole()) << "a trailer after the end marker is allowed";
}

INSTANTIATE_TEST_SUITE_P(Kinds, Photo, ::testing::Values("baseline", "progressive"));

// Cut right after the thumbnail (no length, connection closed): a failed attempt; the
// next answer, photo and trailer, is saved exactly as it came.
TEST(PhotoFetch, CutAfterTheThumbnailIsRetriedAndTheTrailerIsKept) {
  std::string p = photo("baseline");
  ASSERT_FALSE(p.empty()) << "convert and exiftool make the photographs (scripts/setup)";
  std::string cut = p.substr(0, thumbnail_end(p)), whole = p + trailer;
  af::test::ScriptedServer srv([&](size_t i, const std::string&) {
    if (i == 0) return af::test::Reply{{{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + cut}}};
    return af::test::answer("200 OK", whole);
  });
  fs::path dir = photo_dir() / "fetch";
  fs::create_directories(dir);
  DrivenClock clock;
  set_clock(&clock);
  PictureResult r = fetch_picture(srv.base() + "/p.jpg", Folder(gbk_path(dir)), "p.jpg");
  set_clock(nullptr);
  EXPECT_TRUE(r.saved) << r.cause;
  EXPECT_EQ(srv.requests().size(), 2u);
  EXPECT_EQ(read_file(dir / "p.jpg"), whole);
  fs::remove_all(photo_dir());
}
