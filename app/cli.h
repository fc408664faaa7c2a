#pragma once

namespace af {

// The command line: `list`, `download`, `--help`, `--version`. Returns the exit status.
int run_cli(int argc, char** argv);
void print_usage();

}  // namespace af
