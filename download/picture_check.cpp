#include "download/picture_check.h"

#include <algorithm>
#include <cstring>

namespace af {
namespace {

unsigned long le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

}  // namespace

void PictureCheck::walk_jpeg(const unsigned char* d, size_t n) {
  const unsigned char* end = d + n;
  while (d < end) {
    switch (jpeg_) {
      case Jpeg::whole:
      case Jpeg::not_jpeg:
        return;
      case Jpeg::start:
        jpeg_ = *d++ == 0xFF ? Jpeg::start_d8 : Jpeg::not_jpeg;
        break;
      case Jpeg::start_d8:
        jpeg_ = *d++ == 0xD8 ? Jpeg::marker : Jpeg::not_jpeg;
        break;
      case Jpeg::marker:
        jpeg_ = *d++ == 0xFF ? Jpeg::code : Jpeg::not_jpeg;
        break;
      case Jpeg::code: {
        unsigned char c = *d++;
        if (c == 0xFF) break;  // fill bytes before a marker
        if (c == 0xD9) {
          jpeg_ = scanned_ ? Jpeg::whole : Jpeg::not_jpeg;
        } else if (c == 0x00 || c == 0xD8) {
          jpeg_ = Jpeg::not_jpeg;
        } else if ((c >= 0xD0 && c <= 0xD7) || c == 0x01) {
          jpeg_ = Jpeg::marker;  // stands alone, no length
        } else {
          in_sos_ = c == 0xDA;
          jpeg_ = Jpeg::length_hi;
        }
        break;
      }
      case Jpeg::length_hi:
        skip_ = static_cast<size_t>(*d++) << 8;
        jpeg_ = Jpeg::length_lo;
        break;
      case Jpeg::length_lo:
        skip_ |= *d++;
        if (skip_ < 2) {
          jpeg_ = Jpeg::not_jpeg;
          break;
        }
        skip_ -= 2;  // the length counts its own two bytes
        jpeg_ = Jpeg::skip;
        break;
      case Jpeg::skip: {
        size_t k = std::min(skip_, static_cast<size_t>(end - d));
        d += k;
        skip_ -= k;
        if (skip_ == 0) {
          jpeg_ = in_sos_ ? Jpeg::scan : Jpeg::marker;
          scanned_ |= in_sos_;
        }
        break;
      }
      case Jpeg::scan: {
        const void* ff = std::memchr(d, 0xFF, static_cast<size_t>(end - d));
        if (!ff) return;
        d = static_cast<const unsigned char*>(ff) + 1;
        jpeg_ = Jpeg::scan_ff;
        break;
      }
      case Jpeg::scan_ff: {
        unsigned char c = *d;
        if (c == 0xFF) {
          ++d;  // fill
        } else if (c == 0x00 || (c >= 0xD0 && c <= 0xD7)) {
          ++d;  // a stuffed FF, or a restart marker: the scan goes on
          jpeg_ = Jpeg::scan;
        } else {
          jpeg_ = Jpeg::code;  // a marker ends the scan: read it as one
        }
        break;
      }
    }
  }
}

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
  walk_jpeg(data, n);
  total_ += n;
}

bool PictureCheck::whole() const {
  const unsigned char* h = head_.data();
  const unsigned char* t = tail_.data();
  if (total_ >= 4 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) return jpeg_ == Jpeg::whole;
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
