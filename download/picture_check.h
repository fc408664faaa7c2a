// Tells a whole picture from everything else by its bytes, as they stream in. A JPEG by
// its structure: from its start marker, segment by segment by their lengths, through the
// scan data to the end marker that closes it; what follows that marker (camera trailers,
// padding) is allowed. An end marker inside a segment, such as that of the thumbnail in
// an EXIF block, ends nothing. PNG, GIF, WebP and BMP by their signatures and ends.
// Content-Type is never consulted; servers get it wrong both ways.
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

  // Where the JPEG walk stands.
  enum class Jpeg {
    start,
    start_d8,
    marker,
    code,
    length_hi,
    length_lo,
    skip,
    scan,
    scan_ff,
    whole,
    not_jpeg
  };
  void walk_jpeg(const unsigned char* data, size_t n);
  Jpeg jpeg_ = Jpeg::start;
  size_t skip_ = 0;  // bytes of the segment still to come
  bool in_sos_ = false, scanned_ = false;
};

}  // namespace af
