#pragma once

#include <string>

namespace af {

struct WindowOptions {
  std::string address;     // UTF-8, put into the address box at start
  std::string screenshot;  // when set: list the albums, save a PNG there and quit
  int settle_ms = 2000;
};

inline constexpr const char* no_display_message =
    "albumfetch: 没有可用的显示（请设置 DISPLAY，或使用 albumfetch list / download）\n";

// Brings up the main window and runs it until it is closed.
int run_window(int argc, char** argv, const WindowOptions& options);
// The created event: skin, save location, settle wait.
void on_window_created(int settle_ms = 2000);

}  // namespace af
