#include "platform/picture.h"

#include <turbojpeg.h>

namespace af {

bool decode_picture(const Bytes& bytes, int width, int height, Picture& out) {
  if (bytes.empty() || width <= 0 || height <= 0) return false;
  tjhandle h = tjInitDecompress();
  if (!h) return false;
  int w = 0, ht = 0, sub = 0, cs = 0;
  bool ok = false;
  std::vector<unsigned char> rgb;
  if (tjDecompressHeader3(h, bytes.data(), static_cast<unsigned long>(bytes.size()), &w, &ht, &sub,
                          &cs) == 0 &&
      w > 0 && ht > 0 && static_cast<long long>(w) * ht <= 100'000'000LL) {
    rgb.resize(static_cast<size_t>(w) * ht * 3);
    ok = tjDecompress2(h, bytes.data(), static_cast<unsigned long>(bytes.size()), rgb.data(), w, 0,
                       ht, TJPF_RGB, TJFLAG_ACCURATEDCT) == 0;
  }
  tjDestroy(h);
  if (!ok) return false;
  out.width = width;
  out.height = height;
  out.argb.assign(static_cast<size_t>(width) * height, 0);
  // Box-free nearest sampling: a cover is small and only needs to be recognisable.
  for (int y = 0; y < height; ++y) {
    int sy = static_cast<int>(static_cast<long long>(y) * ht / height);
    for (int x = 0; x < width; ++x) {
      int sx = static_cast<int>(static_cast<long long>(x) * w / width);
      const unsigned char* p = &rgb[(static_cast<size_t>(sy) * w + sx) * 3];
      out.argb[static_cast<size_t>(y) * width + x] =
          0xFF000000u | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
    }
  }
  return true;
}

}  // namespace af
