#include "kvd/serve/guards.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>

#include "kvd/serve/json_io.h"

namespace zel::serve {

namespace {

constexpr const char* kCookie = "kvd_token";

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string bearerToken(const httplib::Request& request) {
  const std::string header = request.get_header_value("Authorization");
  constexpr std::string_view prefix = "Bearer ";
  if (header.size() <= prefix.size() || lower(header.substr(0, prefix.size())) != "bearer ") return {};
  return header.substr(prefix.size());
}

void refuse(httplib::Response& response, int status, const std::string& message, const std::string& code) {
  sendError(response, status, message, code);
}

// The page a browser gets when it comes without the token: the address
// kvd printed carries it.
void refuseUnknownVisitor(const httplib::Request& request, httplib::Response& response) {
  if (!wantsPage(request)) {
    refuse(response, 401, "no valid access token: open the address that kvd serve printed", "no_token");
    return;
  }
  response.status = 401;
  response.set_content(
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>kvd serve</title></head><body>\n"
      "<p>Open the address that <code>kvd serve</code> printed (it ends in <code>?token=…</code>).</p>\n"
      "<p>Откройте адрес, который напечатал <code>kvd serve</code> (он оканчивается на "
      "<code>?token=…</code>).</p>\n</body></html>\n",
      "text/html; charset=utf-8");
}

bool knownOrigin(const GuardSettings& settings, const std::string& origin) {
  return std::any_of(settings.hosts.begin(), settings.hosts.end(),
                     [&](const std::string& host) { return origin == settings.scheme + "://" + host; });
}

}  // namespace

bool wantsPage(const httplib::Request& request) {
  return request.method == "GET" && request.path.rfind("/api/", 0) != 0 && request.path.rfind("/static/", 0) != 0;
}

GuardResult checkHost(const GuardSettings& settings, const httplib::Request& request, httplib::Response& response) {
  const std::string host = request.get_header_value("Host");
  if (std::find(settings.hosts.begin(), settings.hosts.end(), host) != settings.hosts.end()) return GuardResult::Pass;
  refuse(response, 421, "this server answers only to its own address", "wrong_host");
  return GuardResult::Refused;
}

GuardResult checkOrigin(const GuardSettings& settings, bool required, const httplib::Request& request,
                        httplib::Response& response) {
  if (request.has_header("Origin")) {
    if (knownOrigin(settings, request.get_header_value("Origin"))) return GuardResult::Pass;
    refuse(response, 403, "a request from another site's page is refused", "foreign_origin");
    return GuardResult::Refused;
  }
  if (!required) return GuardResult::Pass;
  refuse(response, 403, "a browser's request without its Origin is refused", "no_origin");
  return GuardResult::Refused;
}

GuardResult checkMethodAndTarget(const httplib::Request& request, httplib::Response& response) {
  if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
    refuse(response, 405, "the method " + request.method + " is not used here (GET, HEAD, POST)", "method_not_allowed");
    return GuardResult::Refused;
  }
  if (const std::string why = targetRefusal(request.target); !why.empty()) {
    refuse(response, 400, "refused: " + why, "bad_target");
    return GuardResult::Refused;
  }
  return GuardResult::Pass;
}

bool constantTimeEqual(std::string_view a, std::string_view b) {
  unsigned difference = a.size() == b.size() ? 0 : 1;
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t k = 0; k < n; ++k) {
    const unsigned char x = k < a.size() ? static_cast<unsigned char>(a[k]) : 0;
    const unsigned char y = k < b.size() ? static_cast<unsigned char>(b[k]) : 0;
    difference |= x ^ y;
  }
  return difference == 0;
}

std::string cookieValue(std::string_view header, std::string_view name) {
  std::size_t at = 0;
  while (at < header.size()) {
    std::size_t end = header.find(';', at);
    if (end == std::string_view::npos) end = header.size();
    std::string_view part = header.substr(at, end - at);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    const std::size_t equals = part.find('=');
    if (equals != std::string_view::npos && part.substr(0, equals) == name)
      return std::string(part.substr(equals + 1));
    at = end + 1;
  }
  return {};
}

std::string targetRefusal(std::string_view target) {
  const std::string path(target.substr(0, target.find('?')));
  const std::string low = lower(path);
  if (path.find('\0') != std::string::npos || low.find("%00") != std::string::npos) return "a NUL in the path";
  if (path.find('\\') != std::string::npos || low.find("%5c") != std::string::npos) return "a backslash in the path";
  if (low.find("%2f") != std::string::npos) return "an encoded slash in the path";
  if (low.find("..") != std::string::npos || low.find("%2e%2e") != std::string::npos ||
      low.find(".%2e") != std::string::npos || low.find("%2e.") != std::string::npos)
    return "\"..\" in the path";
  return {};
}

std::string queryWithoutToken(std::string_view target) {
  const std::size_t q = target.find('?');
  if (q == std::string_view::npos) return {};
  std::string out;
  std::string_view query = target.substr(q + 1);
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view part = query.substr(0, amp);
    if (part.substr(0, 6) != "token=" && part != "token" && !part.empty())
      out += (out.empty() ? "?" : "&") + std::string(part);
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return out;
}

GuardResult checkRequest(const GuardSettings& settings, const httplib::Request& request,
                         httplib::Response& response) {
  if (checkHost(settings, request, response) == GuardResult::Refused) return GuardResult::Refused;

  if (request.method == "GET" && request.has_param("token") &&
      constantTimeEqual(request.get_param_value("token"), settings.token) && targetRefusal(request.target).empty()) {
    // The token leaves the address bar (and the browser's history) for a
    // cookie that no other site's page can send.
    response.status = 303;
    response.set_header("Set-Cookie",
                        std::string(kCookie) + "=" + settings.token + "; HttpOnly; SameSite=Strict; Path=/");
    response.set_header("Location", request.path + queryWithoutToken(request.target));
    return GuardResult::Refused;
  }
  const bool byBearer = constantTimeEqual(bearerToken(request), settings.token);
  const bool byCookie = constantTimeEqual(cookieValue(request.get_header_value("Cookie"), kCookie), settings.token);
  if (!byBearer && !byCookie) {
    refuseUnknownVisitor(request, response);
    return GuardResult::Refused;
  }

  if (request.method == "POST") {
    if (!constantTimeEqual(request.get_header_value("X-CSRF-Token"), settings.csrf)) {
      refuse(response, 403, "the request lacks the page's CSRF token (X-CSRF-Token)", "no_csrf");
      return GuardResult::Refused;
    }
    if (checkOrigin(settings, !byBearer, request, response) == GuardResult::Refused) return GuardResult::Refused;
  }
  return checkMethodAndTarget(request, response);
}

void addSecurityHeaders(httplib::Response& response, bool cacheable) {
  response.set_header("Content-Security-Policy",
                      "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
                      "connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'");
  response.set_header("X-Content-Type-Options", "nosniff");
  response.set_header("Referrer-Policy", "no-referrer");
  if (!cacheable) response.set_header("Cache-Control", "no-store");
}

}  // namespace zel::serve
