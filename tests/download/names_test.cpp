#include "download/names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/program.h"
#include "tests/support/gbk.h"

using namespace af;
using af::test::G;
using af::test::U;

TEST(CleanTitle, RemovesTheListedCharactersOnly) {
  EXPECT_EQ(U(clean_title(G("旅行: 2015/081"))), "旅行2015081");
  EXPECT_EQ(U(clean_title(G("a：b、c？d。e（f）g·h！i，j.k l*m|n<o>p?q\\r"))),
            "abcdefghijklmnopqr");
  EXPECT_EQ(clean_title(G("　x")), G("　x"));      // the full-width space stays
  EXPECT_EQ(clean_title("\xD5\x5C"), "\xD5\x5C");  // a trail byte is never removed
}

TEST(SafeName, NothingThatLeavesTheFolder) {
  EXPECT_EQ(safe_name("../../etc"), ".etc");
  EXPECT_EQ(safe_name(".."), "");
  EXPECT_EQ(safe_name("a/b\\c\x01"
                      "d"),
            "abcd");
  EXPECT_EQ(safe_name("12345"), "12345");
  EXPECT_EQ(picture_file_name(3, "77"), "377.jpg");
  EXPECT_EQ(picture_file_name(1, "../x"), "1.x.jpg");
}

TEST(SafeName, LongNamesShortenedAtACharacterBoundary) {
  Text longname;
  for (int i = 0; i < 200; ++i) longname += G("图");
  Text s = safe_name(longname);
  EXPECT_LE(gbk_to_utf8(s).size(), 255u);
  EXPECT_EQ(gbk_to_utf8(s).size(), 255u);  // 85 characters of 3 bytes
  EXPECT_EQ(s.size() % 2, 0u);
  Text pic = picture_file_name(12, longname);
  EXPECT_LE(gbk_to_utf8(pic).size(), 255u);
  EXPECT_EQ(pic.substr(pic.size() - 4), ".jpg");
}

TEST(AlbumFolder, JoinsSaveLocationOwnerAndTitle) {
  EXPECT_EQ(album_folder("/s", "me", "t1"), "/s\\me\\t1");
  EXPECT_EQ(album_folder("/s", "../x", "t"), "/s\\.x\\t");
  EXPECT_EQ(album_folder("/s", "", "t"), "/s\\_\\t");
  EXPECT_EQ(album_folder("/s", "me", ""), "/s\\me\\");
}

TEST(SaveLocation, EmptyFollowsTheStartUpRuleRelativeComesFromHome) {
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/";
  EXPECT_EQ(resolve_save_location(""), default_save_location());
  EXPECT_EQ(resolve_save_location("  "), default_save_location());
  EXPECT_EQ(U(resolve_save_location("zz/a")), (std::filesystem::path(home) / "zz/a").string());
  EXPECT_EQ(resolve_save_location("/abs/x"), "/abs/x");
  EXPECT_EQ(U(album_folder("rel", "me", "t")).rfind(home, 0), 0u);
}

TEST(Names, NumbersSurviveAndNamesStayDistinct) {
  Text title;
  for (int i = 0; i < 100; ++i) title += G("长");
  EXPECT_EQ(U(numbered_title(title, 9)).size(), 84u * 3 + 1);
  EXPECT_EQ(U(numbered_title(title, 10)).size(), 84u * 3 + 2);
  EXPECT_EQ(numbered_title(G("春"), 3), G("春3"));
  std::set<Text> taken;
  EXPECT_EQ(distinct_name("123.jpg", taken, 249, ".jpg"), "123.jpg");
  EXPECT_EQ(distinct_name("123.jpg", taken, 249, ".jpg"), "123 (2).jpg");
  EXPECT_EQ(distinct_name("123.jpg", taken, 249, ".jpg"), "123 (3).jpg");
  // A picture name always leaves room for its temporary form.
  EXPECT_EQ(picture_file_name(1, std::string(300, 'x')).size(), max_picture_name_utf8);
  // 0x80 and 0xFF lead nothing, so the separator after them is still taken out.
  EXPECT_EQ(safe_name("\x80\\..\x80\\nest"), "\x80.\x80nest");
}

// Installed, the save location starts in the desktop's pictures folder, never in the
// program's own folder; run from a folder of its own, it starts there.
TEST(SaveLocation, InstalledStartsInThePicturesFolder) {
  namespace fs = std::filesystem;
  fs::path home = fs::temp_directory_path() / ("af-home-" + std::to_string(::getpid()));
  fs::create_directories(home / ".config");
  fs::create_directories(home / "图片");
  std::ofstream(home / ".config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                     << "XDG_PICTURES_DIR=\"$HOME/图片\"\n";
  std::string old_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", home.c_str(), 1);
  ::unsetenv("XDG_CONFIG_HOME");
  Text program = G(home.string());  // writable, so a portable run would use it
  EXPECT_EQ(U(default_save_location(true, program)), (home / "图片").string());
  EXPECT_EQ(default_save_location(false, program), program);
  fs::remove(home / ".config" / "user-dirs.dirs");
  fs::create_directories(home / "Pictures");
  EXPECT_EQ(U(default_save_location(true, program)), (home / "Pictures").string());
  ::setenv("HOME", old_home.c_str(), 1);
  fs::remove_all(home);
}
