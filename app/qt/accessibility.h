// What a screen reader needs beyond Qt's own interfaces: names for the boxes from their
// captions, the status line as a status region, the album list's rows with their ticks,
// and the help page's link. Announcements hang off the controls' own changes (a label's
// new text, a bar's new value, a row's new tick), whoever makes them.
#pragma once

#include <functional>

class QAccessibleEvent;
class QTreeWidgetItem;

namespace af {

class QtWindow;

// Before the first control is made: an interface, once made, is kept for the control's life.
void install_accessible_interfaces();
void make_accessible(QtWindow& window);

// Ticks an unticked row and unticks a ticked one.
void toggle_row_tick(QTreeWidgetItem* row);

// Where announcements go: to assistive technology, or to a test that records them.
using Announcer = std::function<void(QAccessibleEvent& event)>;
void set_announcer(Announcer announcer);  // empty: back to assistive technology

}  // namespace af
