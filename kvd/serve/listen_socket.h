// kvd serve's listening socket, set up by the platform (kvd/serve/linux,
// kvd/serve/win32): one server alone on its port, and a queue of waiting
// connections long enough for a burst of clients.
#pragma once

#include <httplib.h>

namespace zel::serve {

// Before the bind: the port may be used again right after a server stopped,
// but never by a second listener at the same time (cpp-httplib's own
// options let another program share it and take half of the connections).
void exclusivePort(socket_t socket);
// After the bind: as many waiting connections as the system allows, where
// cpp-httplib's queue of five drops a burst of new clients for a second.
void widenBacklog(socket_t socket);

}  // namespace zel::serve
