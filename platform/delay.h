// Delays that keep the window alive. On the window thread they pump its messages; on a
// worker they sleep and wake early only when the worker is stopped.
#pragma once

namespace af {

// Waits `amount` units (0 ms, 1 s, 2 min, 3 h); always returns 1.
int pump_delay(int amount, int unit = 0);
void process_pending_messages();

}  // namespace af
