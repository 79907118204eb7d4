// --listen ADDRESS[:PORT]: the address of this computer that the lab server
// answers on, as the user gives it, and as addresses and Host headers
// write it (an IPv6 address in brackets).
#pragma once

#include <string>

namespace zel::serve {

struct ListenAddress {
  std::string host;  // "192.168.1.20", "lab-pc.local", "::1"
  int port = 0;      // 0: none given
};

// "192.168.1.20", "192.168.1.20:8443", "lab-pc.local:8443", "[::1]:8443";
// false with the reason when it is none of these.
bool parseListenAddress(const std::string& text, ListenAddress& out, std::string& why);
// The host as an address writes it: "[::1]" for an IPv6 address.
std::string urlHost(const std::string& host);
// Every address of this computer: "0.0.0.0" or "::".
bool anyAddress(const std::string& host);

}  // namespace zel::serve
