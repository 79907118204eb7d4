#include "kvd/serve/listen_address.h"

#include <algorithm>
#include <charconv>

namespace zel::serve {

namespace {

bool parsePort(const std::string& text, int& port) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 1 || n > 65535) return false;
  port = n;
  return true;
}

// Letters, digits, '.', '-' (a name or an IPv4 address), or an IPv6
// address's hex digits and colons: nothing that could end a header or an
// address early.
bool plainHost(const std::string& host, bool ipv6) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [ipv6](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           (ipv6 && c == ':');
  });
}

}  // namespace

bool parseListenAddress(const std::string& text, ListenAddress& out, std::string& why) {
  ListenAddress parsed;
  std::string port;
  bool ipv6 = false;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) {
      why = "--listen " + text + ": an IPv6 address in brackets lacks its ']'";
      return false;
    }
    parsed.host = text.substr(1, close - 1);
    ipv6 = true;
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') {
        why = "--listen " + text + ": give ADDRESS or ADDRESS:PORT";
        return false;
      }
      port = text.substr(close + 2);
      if (port.empty()) port = "-";
    }
  } else if (std::count(text.begin(), text.end(), ':') > 1) {
    parsed.host = text;  // an IPv6 address without a port
    ipv6 = true;
  } else if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
    parsed.host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) port = "-";
  } else {
    parsed.host = text;
  }
  if (!plainHost(parsed.host, ipv6)) {
    why = "--listen " + text + ": \"" + parsed.host + "\" is no address or host name";
    return false;
  }
  if (!port.empty() && !parsePort(port, parsed.port)) {
    why = "--listen " + text + ": the port must be a number from 1 to 65535";
    return false;
  }
  out = parsed;
  return true;
}

bool anyAddress(const std::string& host) { return host == "0.0.0.0" || host == "::"; }

std::string urlHost(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

}  // namespace zel::serve
