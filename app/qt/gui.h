#pragma once

#include <string>

namespace af {

struct WindowOptions {
  std::string address;     // UTF-8, put into the address box at start
  std::string screenshot;  // when set: list the albums, save a PNG there and quit
  int settle_ms = 2000;
};

// Brings up the main window and runs it until it is closed.
int run_window(int argc, char** argv, const WindowOptions& options);
// The created event: skin, save location, settle wait.
void on_window_created(int settle_ms = 2000);

}  // namespace af
