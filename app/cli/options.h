// Options every command takes, before its name or after it: -q/--quiet, -v/--verbose,
// --proxy URL and --no-proxy; and what the terminal can be asked to do.
#pragma once

#include <QCommandLineParser>
#include <optional>
#include <string>
#include <vector>

namespace af::cli {

void add_global_options(QCommandLineParser& parser);
// Puts the proxy options into effect; a usage error's status when they contradict.
std::optional<int> apply_global_options(const QCommandLineParser& parser,
                                        const std::string& command);

// `albumfetch -q --proxy URL download ...` as `albumfetch download -q --proxy URL ...`:
// the options before the command move behind it. `args` holds argv without the program.
std::vector<std::string> options_after_command(const std::vector<std::string>& args);

// Whether `word` is meant as an address rather than a command: it has a dot, a slash or
// a colon, which no command has.
bool looks_like_address(const std::string& word);

// Whether stderr is a terminal that takes escape sequences (not TERM=dumb).
bool terminal_redraws();

}  // namespace af::cli
