// Delays that keep the window alive. On the window thread they pump its messages; on a
// worker they sleep and wake early only when the worker is stopped.
#pragma once

namespace af {

// Waits `amount` units (0 ms, 1 s, 2 min, 3 h); always returns 1.
int pump_delay(int amount, int unit = 0);
// Handles what is queued for the window thread; does nothing on other threads.
void process_pending_messages();
// True on the window's thread, where any long wait (a transfer run from a click) must keep
// calling process_pending_messages, or the window freezes. Layers that know no window ask
// this instead.
bool wait_must_pump();

}  // namespace af
