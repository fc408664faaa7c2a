// Tells a whole picture from everything else by its bytes, as they stream in: a JPEG
// from its start to its end-of-image marker, PNG, GIF, WebP and BMP by their signatures
// and ends. Content-Type is never consulted; servers get it wrong both ways.
#pragma once

#include <array>
#include <cstddef>

namespace af {

class PictureCheck {
 public:
  void feed(const unsigned char* data, size_t n);
  void reset() { *this = PictureCheck{}; }
  // True when the bytes so far form one whole picture of a known kind.
  bool whole() const;
  size_t size() const { return total_; }

 private:
  static constexpr size_t head_size = 16, tail_size = 12;
  std::array<unsigned char, head_size> head_{};
  std::array<unsigned char, tail_size> tail_{};  // the last bytes, oldest first
  size_t total_ = 0;
  // The two bytes that end at the last non-zero byte: a JPEG may be padded with zeros.
  unsigned char before_last_nonzero_ = 0, last_nonzero_ = 0;
  bool any_nonzero_ = false;
  unsigned char last_byte_ = 0;
};

}  // namespace af
