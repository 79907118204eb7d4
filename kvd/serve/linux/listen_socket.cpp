#include "kvd/serve/listen_socket.h"

#include <sys/socket.h>

namespace zel::serve {

void exclusivePort(socket_t socket) {
  // SO_REUSEADDR alone: a port in TIME_WAIT binds again, a listening one
  // does not (SO_REUSEPORT would let a second server listen beside us).
  int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Linux takes a second listen() on a listening socket as its new backlog.
void widenBacklog(socket_t socket) { listen(socket, SOMAXCONN); }

}  // namespace zel::serve
