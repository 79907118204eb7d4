// The computer's addresses as Windows lists them for an empty host name:
// every address registered on this computer.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "kvd/serve/local_addresses.h"

namespace zel::serve {

std::vector<std::string> localAddresses() {
  std::vector<std::string> out;
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return out;
  ADDRINFOW hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* all = nullptr;
  if (GetAddrInfoW(L"", nullptr, &hints, &all) == 0) {
    for (const ADDRINFOW* a = all; a != nullptr; a = a->ai_next) {
      char text[INET6_ADDRSTRLEN] = {};
      if (a->ai_family == AF_INET) {
        const IN_ADDR& ip = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
        if (ip.S_un.S_un_b.s_b1 == 127) continue;
        inet_ntop(AF_INET, &ip, text, sizeof text);
      } else if (a->ai_family == AF_INET6) {
        const IN6_ADDR& ip = reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&ip) || IN6_IS_ADDR_LINKLOCAL(&ip)) continue;
        inet_ntop(AF_INET6, &ip, text, sizeof text);
      } else {
        continue;
      }
      if (text[0] != '\0' && std::find(out.begin(), out.end(), text) == out.end()) out.push_back(text);
    }
    FreeAddrInfoW(all);
  }
  WSACleanup();
  return out;
}

}  // namespace zel::serve
