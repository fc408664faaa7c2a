// UTF-8 literals as QStrings, for comparing with what the window shows.
#pragma once

#include <QString>
#include <string_view>

inline QString q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
