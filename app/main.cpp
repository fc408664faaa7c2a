#include "app/cli.h"

int main(int argc, char** argv) { return af::run_cli(argc, argv); }
