// What every command of the command line shares: the headless window wired to the
// terminal, a clean Ctrl-C, page text made safe to print, and usage errors.
#pragma once

#include <QCommandLineParser>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "albums/classify.h"
#include "app/headless_window.h"
#include "platform/worker.h"

namespace af::cli {

// Page text on a terminal: control characters (escape sequences among them) are shown
// escaped rather than obeyed; tab and line feed pass.
std::string terminal_safe(const std::string& utf8);
// A log text for the terminal: plain line ends, made safe.
std::string terminal_text(const Text& text);
// Writes to stderr, clearing the progress line first.
void say(const std::string& utf8);

// "albumfetch CMD: MESSAGE; see 'albumfetch --help'" on stderr; returns 2.
int usage_error(const std::string& command, const std::string& message);

// Parses `argv` from `first` on with `parser`; prints the command's help for --help.
// Returns an exit status when the command is done with (help shown, or bad usage).
std::optional<int> parse(QCommandLineParser& parser, const std::string& command, const char* help,
                         int argc, char** argv, int first = 2);

struct Session {
  HeadlessWindow window;
  std::thread progress;
  std::atomic<bool> done{false};
  bool quiet = false;
  // What the events said: the listed rows and the batch's album counters.
  std::mutex rows_mutex;
  std::vector<NewRow> listed;
  std::atomic<int> albums_queued{0}, album_at_work{0};
  std::vector<NewRow> listed_rows();

  explicit Session(const QCommandLineParser& parser);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs the get-albums action for `address` on a worker of its own, so that Ctrl-C can
  // stop a single-album download too; nothing when interrupted.
  std::optional<AddressKind> classify(const std::string& address);
  void show_progress();
};

// "地址 k/n：ADDRESS" before each of several addresses, unless the run is quiet.
void announce_address(const Session& s, size_t k, size_t count, const std::string& address);
// Waits for a worker, returning false when Ctrl-C came first.
bool wait_for(const WorkerHandle& worker);
int interrupted_status();
// The status for an address that cannot be listed or downloaded.
int kind_status(AddressKind kind);

}  // namespace af::cli
