#include "kvd/serve/local_addresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>

namespace zel::serve {

std::vector<std::string> localAddresses() {
  std::vector<std::string> out;
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return out;
  for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr) continue;
    char text[INET6_ADDRSTRLEN] = {};
    if (a->ifa_addr->sa_family == AF_INET) {
      const in_addr& ip = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr;
      if ((ntohl(ip.s_addr) >> 24) == 127) continue;
      inet_ntop(AF_INET, &ip, text, sizeof text);
    } else if (a->ifa_addr->sa_family == AF_INET6) {
      const in6_addr& ip = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr)->sin6_addr;
      if (IN6_IS_ADDR_LOOPBACK(&ip) || IN6_IS_ADDR_LINKLOCAL(&ip)) continue;
      inet_ntop(AF_INET6, &ip, text, sizeof text);
    } else {
      continue;
    }
    if (text[0] != '\0' && std::find(out.begin(), out.end(), text) == out.end()) out.push_back(text);
  }
  freeifaddrs(all);
  return out;
}

}  // namespace zel::serve
