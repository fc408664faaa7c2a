#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/codepage.h"
#include "platform/program.h"
#include "tests/support/read_file.h"

using namespace af;
namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("af_files_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    base = gbk_path(root);
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
  Text base;
};

TEST_F(FilesTest, MakeFolderPathAddsSeparatorAndCreatesEveryLevel) {
  Text p = base + "\\pics\\a";
  EXPECT_TRUE(make_folder_path(p));
  EXPECT_EQ(p, base + "\\pics\\a\\");
  EXPECT_TRUE(fs::is_directory(root / "pics" / "a"));
  Text q = p;
  EXPECT_TRUE(make_folder_path(q));
  EXPECT_EQ(q, p);
  EXPECT_TRUE(is_folder(base + "\\pics"));
}

TEST_F(FilesTest, TrailByteBackslashIsNotASeparator) {
  Text p = base + "\\" + utf8_to_gbk(std::string_view("誠"));
  ASSERT_TRUE(make_folder_path(p));
  EXPECT_TRUE(fs::is_directory(root / "誠"));
}

TEST_F(FilesTest, WriteFileConcatenatesAndRejectsEmptyPath) {
  Bytes a{'a', 'b'}, b{0, 'c'};
  EXPECT_FALSE(write_file("", a));
  EXPECT_TRUE(write_file(base + "\\x.bin", {&a, &b}));
  EXPECT_EQ(af::test::read_file(root / "x.bin"), std::string("ab\0c", 4));
  EXPECT_FALSE(write_file(base + "\\missing\\x.bin", a));
}

TEST_F(FilesTest, FileExistsWithWildCards) {
  Bytes a{'1'};
  write_file(base + "\\photo1.jpg", a);
  EXPECT_TRUE(file_exists(base + "\\photo1.jpg"));
  EXPECT_TRUE(file_exists(base + "\\*.jpg"));
  EXPECT_TRUE(file_exists(base + "\\photo?.jpg"));
  EXPECT_FALSE(file_exists(base + "\\*.png"));
  EXPECT_TRUE(file_exists(base));
  EXPECT_FALSE(is_folder(base + "\\photo1.jpg"));
}

TEST_F(FilesTest, ReadOnlyAttributeClearsWriteBits) {
  Bytes a{'1'};
  write_file(base + "\\r.txt", a);
  EXPECT_TRUE(set_file_attributes(base + "\\r.txt", attribute_readonly | attribute_hidden));
  struct stat st;
  ASSERT_EQ(::stat((root / "r.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_TRUE(set_file_attributes(base + "\\r.txt", 0));
  ASSERT_EQ(::stat((root / "r.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);
  EXPECT_FALSE(set_file_attributes(base + "\\none", 0));
}

TEST(ProgramDirectory, IsTheExecutablesFolderWithoutTrailingSeparator) {
  Text d = program_directory();
  ASSERT_FALSE(d.empty());
  EXPECT_NE(d.back(), '/');
  EXPECT_NE(d.back(), '\\');
  EXPECT_TRUE(is_folder(d));
}
