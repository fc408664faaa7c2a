// The command line: one file a command. Each returns the process's exit status.
#pragma once

namespace af {

// `albumfetch COMMAND ...`, `--help`, `--version`.
int run_cli(int argc, char** argv);

namespace cli {
int run_list(int argc, char** argv);
int run_download(int argc, char** argv);
int run_report(int argc, char** argv);
}  // namespace cli

}  // namespace af
