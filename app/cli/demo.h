#pragma once

namespace af {

// `albumfetch demo [--serve] [--port N] [--screenshot FILE]`.
int run_demo(int argc, char** argv);

}  // namespace af
