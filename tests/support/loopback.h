// A listening socket on 127.0.0.1 at a free port, for the raw test servers.
#pragma once

namespace af::test {

// The socket, or -1; `port` receives the port it listens on.
int listen_on_loopback(int& port);

}  // namespace af::test
