// What a screen reader needs beyond Qt's own interfaces: names for the boxes from their
// captions, the status line as a status region, the album list's rows with their ticks,
// and the help page's link. Announcements hang off the controls' own changes (a label's
// new text and a bar's new value, as Qt tells of them; a row's new tick, told here),
// whoever makes them.
#pragma once

#include <QAccessible>
#include <functional>

class QAccessibleEvent;
class QObject;
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
// Tells of `type` on child `child` of `object`'s interface, when anyone listens.
void announce_child(QObject* object, QAccessible::Event type, int child);

}  // namespace af
