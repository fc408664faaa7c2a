#include "app/qt/contrast.h"

#include <algorithm>
#include <cmath>

namespace af {

namespace {
double linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
}  // namespace

double relative_luminance(const QColor& c) {
  return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast_ratio(const QColor& a, const QColor& b) {
  double x = relative_luminance(a), y = relative_luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor deepen(const QColor& c, std::initializer_list<QColor> against, double ratio) {
  // Judged as it will be drawn: eight bits a channel.
  auto drawn = [](const QColor& x) { return QColor::fromString(x.toRgb().name()); };
  auto stands = [&](const QColor& x) {
    return std::all_of(against.begin(), against.end(),
                       [&](const QColor& b) { return contrast_ratio(drawn(x), b) >= ratio; });
  };
  QColor x = c.toHsl();
  for (int l = x.lightness(); l >= 0 && !stands(x); --l) x.setHsl(x.hslHue(), x.hslSaturation(), l);
  return drawn(x);
}

}  // namespace af
