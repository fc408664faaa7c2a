// Skins are Qt style sheets carried by the program. The one in use is also written next to
// the program as a hidden file the user may edit; when that file is there it wins.
#pragma once

#include <QString>

namespace af {

inline constexpr int skin_count = 33;
QString carried_skin(int number);  // empty outside 1..33
QString skin_file_path();
// Whether `existing` is an unedited skin file of an earlier build, to be rewritten.
bool outdated_skin(const QString& existing, int number);
// Writes the skin file when missing, then applies what it holds; leaves the system look
// when the file can be neither written nor read.
void attach_skin(int number);

}  // namespace af
