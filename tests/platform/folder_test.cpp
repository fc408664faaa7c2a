// Whatever stands in an album folder, writing there touches nothing outside it, and no
// open waits.
#include "platform/folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/support/read_file.h"

using namespace af;
using af::test::read_file;
namespace fs = std::filesystem;

namespace {

struct Planted {
  const char* name;
  // Plants something in `in`; `outside` is a folder beside it.
  std::function<void(const fs::path& in, const fs::path& outside)> plant;
};

void PrintTo(const Planted& p, std::ostream* os) {
  *os << p.name;
}

class Obstacle : public ::testing::TestWithParam<Planted> {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("af_folder_" + std::to_string(::getpid()) + "_" + std::to_string(index++));
    fs::remove_all(root);
    fs::create_directories(root / "album");
    fs::create_directories(root / "outside");
    std::ofstream(root / "outside" / "victim") << "the user's text";
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
  static inline int index = 0;
};

const std::string temp = temp_name("p.jpg");

}  // namespace

TEST_P(Obstacle, IsNeverWrittenThroughAndNeverBlocks) {
  GetParam().plant(root / "album", root / "outside");
  Folder folder(gbk_path(root / "album"));
  ASSERT_TRUE(folder.is_open());
  {
    NewFile f(folder, "p.jpg");
    ASSERT_TRUE(f.ok()) << std::strerror(f.error());
    ASSERT_TRUE(f.write("picture", 7));
    ASSERT_TRUE(f.commit());
  }
  EXPECT_EQ(read_file(root / "outside" / "victim"), "the user's text");
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "outside"), {}), 1) << "nothing created";
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / "album" / "p.jpg")));
  EXPECT_EQ(read_file(root / "album" / "p.jpg"), "picture");
}

INSTANTIATE_TEST_SUITE_P(
    Planted, Obstacle,
    ::testing::Values(
        Planted{"nothing", [](auto&, auto&) {}},
        Planted{"dangling_link",
                [](auto& in, auto& out) { fs::create_symlink(out / "new", in / temp); }},
        Planted{"link_to_a_file",
                [](auto& in, auto& out) { fs::create_symlink(out / "victim", in / temp); }},
        Planted{"fifo", [](auto& in, auto&) { ::mkfifo((in / temp).c_str(), 0644); }},
        Planted{"folder", [](auto& in, auto&) { fs::create_directories(in / temp / "x"); }},
        Planted{"final_name_a_link",
                [](auto& in, auto& out) { fs::create_symlink(out / "victim", in / "p.jpg"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Folder, SweepsOnlyItsOwnTemporariesAndLocksAgainstOtherOpens) {
  fs::path dir = fs::temp_directory_path() / ("af_sweep_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / temp_name("sub"));
  for (const char* user : {".notes.part", ".p.jpg.part", "albumfetch-part-x"})
    std::ofstream(dir / user) << "mine";
  std::ofstream(dir / temp_name("a.jpg")) << "half";
  fs::create_symlink("/nonexistent", dir / temp_name("b.jpg"));
  ::mkfifo((dir / temp_name("c.jpg")).c_str(), 0644);
  Folder f(gbk_path(dir));
  f.remove_temporaries();
  std::vector<std::string> left;
  for (auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".albumfetch-part-sub", ".notes.part", ".p.jpg.part",
                                            "albumfetch-part-x"}));

  EXPECT_TRUE(f.try_lock());
  Folder other(gbk_path(dir)), shared = f.share();
  EXPECT_FALSE(other.try_lock());
  f = Folder();
  EXPECT_FALSE(other.try_lock()) << "the shared handle still holds it";
  shared = Folder();
  EXPECT_TRUE(other.try_lock());
  fs::remove_all(dir);
}

// A folder named in a legacy code page is the user's folder, not a look-alike.
TEST(Folder, NamesThatAreNotUtf8AreKeptAsBytes) {
  fs::path dir = fs::temp_directory_path() / ("af_bytes_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const std::string gbk_name = "\xD5\xD5\xC6\xAC", mixed = "x\xFF\xC3\xA9-\x80";
  for (const std::string& name : {gbk_name, mixed}) {
    fs::create_directories(dir / name);
    Text t = gbk_path(dir / name);
    EXPECT_EQ(native_path(t), dir / name);
    EXPECT_TRUE(is_folder(t));
    EXPECT_TRUE(write_file(t + "\\f.jpg", Bytes{'x'}));
    EXPECT_TRUE(fs::exists(dir / name / "f.jpg"));
    EXPECT_NE(gbk_to_utf8(t).find("\xEF\xBF\xBD"), std::string::npos) << "shown as U+FFFD";
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
  fs::remove_all(dir);
}

// A link put under the temporary name while the file is written is not renamed into place.
TEST(Folder, ATemporarySwappedForALinkIsNotCommitted) {
  fs::path dir = fs::temp_directory_path() / ("af_swap_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "victim") << "text";
  Folder folder(gbk_path(dir));
  NewFile f(folder, "p.jpg");
  ASSERT_TRUE(f.write("picture", 7));
  fs::remove(dir / temp_name("p.jpg"));
  fs::create_symlink(dir / "victim", dir / temp_name("p.jpg"));
  EXPECT_FALSE(f.commit());
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "p.jpg")));
  EXPECT_EQ(read_file(dir / "victim"), "text");
  fs::remove_all(dir);
}
