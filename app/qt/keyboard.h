// The window by keyboard alone: Enter in the address box gets the albums, Space ticks or
// unticks the album list's current row whichever of its cells is current.
#pragma once

namespace af {

class QtWindow;

void connect_keyboard(QtWindow& window);

}  // namespace af
