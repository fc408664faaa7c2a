// A headless window wired to a fake community on loopback, for driving the whole road.
#pragma once

#include <filesystem>

#include "app/community/community.h"
#include "app/headless_window.h"
#include "platform/clock.h"
#include "tests/support/read_file.h"

namespace af::test {

class Road {
 public:
  // Waits run on a driven clock, so retry pauses and settling delays take no real time;
  // a test that needs the work to take real time asks for the real clock.
  enum Time { driven, real };
  explicit Road(Time time = driven);
  ~Road();
  community::Community site;
  HeadlessWindow window;
  DrivenClock clock;
  std::filesystem::path save;  // a fresh save location
  void start();                // starts the site and points connections at it
  // Types `address`, clicks get-albums and waits for any listing it started.
  int classify(const std::string& address_utf8);
  void wait_list();
  // Clicks download and waits for the batch to end.
  void download_batch();
  std::string log_utf8();

 private:
  Time time_;
};

}  // namespace af::test
