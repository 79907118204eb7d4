// The IP addresses of this computer's network interfaces (kvd/serve/linux,
// kvd/serve/win32): the addresses a lab server listening on all of them
// (--listen 0.0.0.0 or ::) is reached by, which its Host check and its
// self-signed certificate name.
#pragma once

#include <string>
#include <vector>

namespace zel::serve {

// As text ("192.168.1.20", "fd00::20"), without the loopback and IPv6
// link-local addresses; empty when the system does not say.
std::vector<std::string> localAddresses();

}  // namespace zel::serve
