#include "download/picture_check.h"

#include <algorithm>
#include <cstring>

namespace af {
namespace {

unsigned long le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

}  // namespace

void PictureCheck::feed(const unsigned char* data, size_t n) {
  if (n == 0) return;
  if (total_ < head_size) {
    size_t k = std::min(n, head_size - total_);
    std::memcpy(head_.data() + total_, data, k);
  }
  if (n >= tail_size) {
    std::memcpy(tail_.data(), data + n - tail_size, tail_size);
  } else {
    std::memmove(tail_.data(), tail_.data() + n, tail_size - n);
    std::memcpy(tail_.data() + tail_size - n, data, n);
  }
  // The last non-zero byte of this chunk, scanning back over any zero padding.
  size_t i = n;
  while (i > 0 && data[i - 1] == 0) --i;
  if (i > 0) {
    last_nonzero_ = data[i - 1];
    before_last_nonzero_ = i >= 2 ? data[i - 2] : last_byte_;
    any_nonzero_ = true;
  }
  last_byte_ = data[n - 1];
  total_ += n;
}

bool PictureCheck::whole() const {
  const unsigned char* h = head_.data();
  const unsigned char* t = tail_.data();
  if (total_ >= 4 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF)
    return any_nonzero_ && before_last_nonzero_ == 0xFF && last_nonzero_ == 0xD9;
  if (total_ >= 8 + tail_size && std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0)
    return std::memcmp(t, "\0\0\0\0IEND\xae\x42\x60\x82", tail_size) == 0;
  if (total_ >= 14 && (std::memcmp(h, "GIF87a", 6) == 0 || std::memcmp(h, "GIF89a", 6) == 0))
    return t[tail_size - 1] == 0x3B;
  if (total_ >= 16 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WEBP", 4) == 0)
    return le32(h + 4) + 8 <= total_;  // the RIFF size counts all but its first 8 bytes
  if (total_ >= 26 && h[0] == 'B' && h[1] == 'M') return le32(h + 2) >= 26 && le32(h + 2) <= total_;
  return false;
}

}  // namespace af
