#include "download/picture_check.h"

#include <gtest/gtest.h>

#include <string>

using af::PictureCheck;

namespace {

bool whole(const std::string& bytes, size_t chunk = 3) {
  PictureCheck c;
  for (size_t i = 0; i < bytes.size(); i += chunk) {
    size_t n = std::min(chunk, bytes.size() - i);
    c.feed(reinterpret_cast<const unsigned char*>(bytes.data() + i), n);
  }
  return c.whole();
}

std::string s(const char* p, size_t n) {
  return std::string(p, n);
}

}  // namespace

TEST(PictureCheck, JudgesByBytesAlone) {
  const std::string jpeg = s("\xFF\xD8\xFF\xE0", 4) + std::string(40, 'x') + "\xFF\xD9";
  const std::string png =
      s("\x89PNG\r\n\x1a\n", 8) + std::string(30, 'p') + s("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  std::string webp = "RIFF" + s("\x10\0\0\0", 4) + "WEBPVP8 " + std::string(8, 'w');
  std::string bmp = "BM" + s("\x1e\0\0\0", 4) + std::string(24, 'b');
  struct Case {
    std::string bytes;
    bool whole;
  } cases[] = {
      {jpeg, true},
      {jpeg + std::string(5000, '\0'), true},    // zero padding after the end marker
      {jpeg.substr(0, jpeg.size() - 1), false},  // cut off before its end
      {jpeg.substr(0, jpeg.size() / 2), false},
      {png, true},
      {png.substr(0, png.size() - 3), false},
      {"GIF89a" + std::string(20, 'g') + ";", true},
      {"GIF89a" + std::string(20, 'g'), false},
      {webp, true},
      {webp.substr(0, 20), false},
      {bmp, true},
      {bmp.substr(0, 28), false},
      {"<!DOCTYPE html><html></html>", false},
      {"{\"error\":\"no such picture\"}", false},
      {s("\x1f\x8b\x08\0\0\0\0\0", 8) + "\xFF\xD9", false},  // gzip bytes
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(whole(c.bytes), c.whole) << c.bytes.substr(0, 12);
    EXPECT_EQ(whole(c.bytes, 1), c.whole) << "byte by byte";
    EXPECT_EQ(whole(c.bytes, 1 << 20), c.whole) << "one chunk";
  }
}
