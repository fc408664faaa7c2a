// A headless window wired to a fake community on loopback, for driving the whole road.
#pragma once

#include <filesystem>

#include "app/community/community.h"
#include "app/headless_window.h"

namespace af::test {

class Road {
 public:
  Road();
  ~Road();
  community::Community site;
  HeadlessWindow window;
  std::filesystem::path save;  // a fresh save location
  void start();                // starts the site and points connections at it
  // Types `address`, clicks get-albums and waits for any listing it started.
  int classify(const std::string& address_utf8);
  void wait_list();
  // Clicks download and waits for the batch to end.
  void download_batch();
  std::string log_utf8();
};

std::string read_file(const std::filesystem::path& p);

}  // namespace af::test
