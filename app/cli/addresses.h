// The addresses a command works through: those on the command line, then those of
// -i FILE (or -i - for standard input), one a line.
#pragma once

#include <QCommandLineParser>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace af::cli {

// A list file can hold a great many addresses, but not more than this many bytes.
inline constexpr size_t address_list_cap = size_t{16} << 20;

// One address a line; blank lines and lines whose first non-blank is "#" are skipped,
// blanks around an address and a final "\r" go.
std::vector<std::string> address_lines(std::string_view text);

// -i/--input-file FILE.
void add_input_option(QCommandLineParser& parser);
// The addresses in order, or a usage error's status (none given, list unreadable).
std::optional<std::vector<std::string>> gather_addresses(const QCommandLineParser& parser,
                                                         const std::string& command, int& status);

}  // namespace af::cli
