#include "download/picture_check.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/case_name.h"

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

// Start, a scan header and its data, and the end marker: the least a JPEG must hold.
const std::string jpeg = s("\xFF\xD8\xFF\xDA\0\2", 6) + std::string(40, 'x') + "\xFF\xD9";
const std::string png =
    s("\x89PNG\r\n\x1a\n", 8) + std::string(30, 'p') + s("\0\0\0\0IEND\xae\x42\x60\x82", 12);
const std::string webp = "RIFF" + s("\x10\0\0\0", 4) + "WEBPVP8 " + std::string(8, 'w');
const std::string bmp = "BM" + s("\x1e\0\0\0", 4) + std::string(24, 'b');

struct BytesCase {
  const char* name;
  std::string bytes;
  bool whole;
};
class PictureBytes : public ::testing::TestWithParam<BytesCase> {};

// Judged by the bytes alone, however they are cut into chunks.
TEST_P(PictureBytes, JudgedByBytesAlone) {
  const BytesCase& c = GetParam();
  EXPECT_EQ(whole(c.bytes), c.whole);
  EXPECT_EQ(whole(c.bytes, 1), c.whole) << "byte by byte";
  EXPECT_EQ(whole(c.bytes, 1 << 20), c.whole) << "one chunk";
}

INSTANTIATE_TEST_SUITE_P(
    PictureCheck, PictureBytes,
    ::testing::Values(
        BytesCase{"jpeg", jpeg, true},
        BytesCase{"jpeg zero padded", jpeg + std::string(5000, '\0'), true},  // after its end
        BytesCase{"jpeg cut before its end", jpeg.substr(0, jpeg.size() - 1), false},
        BytesCase{"jpeg half", jpeg.substr(0, jpeg.size() / 2), false}, BytesCase{"png", png, true},
        BytesCase{"png cut", png.substr(0, png.size() - 3), false},
        BytesCase{"gif", "GIF89a" + std::string(20, 'g') + ";", true},
        BytesCase{"gif cut", "GIF89a" + std::string(20, 'g'), false}, BytesCase{"webp", webp, true},
        BytesCase{"webp cut", webp.substr(0, 20), false}, BytesCase{"bmp", bmp, true},
        BytesCase{"bmp cut", bmp.substr(0, 28), false},
        BytesCase{"html", "<!DOCTYPE html><html></html>", false},
        BytesCase{"json", "{\"error\":\"no such picture\"}", false},
        BytesCase{"gzip", s("\x1f\x8b\x08\0\0\0\0\0", 8) + "\xFF\xD9", false},
        BytesCase{"empty", "", false}),
    af::test::ByName());
