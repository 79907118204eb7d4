#include "kvd/serve/listen_socket.h"

namespace zel::serve {

void exclusivePort(socket_t socket) {
  // SO_EXCLUSIVEADDRUSE alone: with SO_REUSEADDR beside it, as cpp-httplib
  // sets them, Windows refuses the exclusive one and any program may bind
  // the same port and take its connections.
  BOOL yes = TRUE;
  setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
}

// Windows ignores a second listen(); the header-only cpp-httplib of the
// Windows build listens with SOMAXCONN itself (CPPHTTPLIB_LISTEN_BACKLOG).
void widenBacklog(socket_t) {}

}  // namespace zel::serve
