#include <cstring>
#include <string>

#include "app/cli/cli.h"
#include "app/qt/gui.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--screenshot") == 0 && argc >= 3) {
    af::WindowOptions options;
    options.screenshot = argv[2];
    if (argc >= 4) options.address = argv[3];
    return af::run_window(argc, argv, options);
  }
  if (argc < 2) return af::run_window(argc, argv, {});
  return af::run_cli(argc, argv);
}
