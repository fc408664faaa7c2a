// Contrast between two colours as WCAG 2.x measures it: text needs 4.5:1 against its
// background, frames, focus indicators and other marks 3:1.
#pragma once

#include <QColor>
#include <initializer_list>

namespace af {

inline constexpr double text_contrast = 4.5;
inline constexpr double mark_contrast = 3.0;

double relative_luminance(const QColor& c);
double contrast_ratio(const QColor& a, const QColor& b);
// `c` when it stands `ratio` against each of `against`; otherwise `c` with its hue and
// saturation kept, made just dark enough that it does.
QColor deepen(const QColor& c, std::initializer_list<QColor> against, double ratio);

}  // namespace af
