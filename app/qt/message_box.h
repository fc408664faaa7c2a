// The window's message boxes. One a worker asks for is modeless: the worker waits for
// its answer while the main window stays usable; one from the window thread is modal.
#pragma once

#include <QString>

class QWidget;

namespace af {

// Shows `text` under `caption` with the button set `buttons` asks for (0 OK, 1 OK and
// Cancel, 3 Yes, No and Cancel, 4 Yes and No) and returns the pressed button's index
// (0 OK, 1 Cancel, 5 Yes, 6 No).
int show_message_box(QWidget* parent, const QString& text, const QString& caption, int buttons,
                     bool modeless);

}  // namespace af
