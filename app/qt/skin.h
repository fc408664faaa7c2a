// Skins are Qt style sheets carried by the program. The one in use is also written next to
// the program as a hidden file the user may edit; when that file is there it wins.
#pragma once

#include <QColor>
#include <QString>

namespace af {

inline constexpr int skin_count = 33;

// The colours a skin is drawn in.
struct SkinColours {
  QColor accent, light;  // the skin's own hue; the window's face
  QColor frame;          // borders of boxes, lists and buttons
  QColor dark;           // text on the face, focus rings, the ticks' boxes
  QColor selected;       // a selected row
  QColor pressed;        // a pressed button, under white text
  QColor chunk;          // the progress bar's filled part
};
SkinColours skin_colours(int number);  // number in 1..33
QString carried_skin(int number);      // empty outside 1..33
// The sheet as earlier builds wrote it, to recognise an unedited file of theirs.
QString earlier_skin(int number);
QString skin_file_path();
// Whether `existing` is an unedited skin file of an earlier build, to be rewritten.
bool outdated_skin(const QString& existing, int number);
// Writes the skin file when missing, then applies what it holds; leaves the system look
// when the file can be neither written nor read.
void attach_skin(int number);

}  // namespace af
