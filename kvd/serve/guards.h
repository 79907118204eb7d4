// The checks every request passes before any route sees it, in this order:
// the Host header (DNS rebinding), the access token (cookie or Bearer), for
// a POST the CSRF token and the Origin, then the method and the path. A
// request refused changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace zel::serve {

struct GuardSettings {
  std::vector<std::string> hosts;  // "127.0.0.1:PORT", "localhost:PORT", the --listen address
  std::string token;
  std::string csrf;
  std::string scheme = "http";  // of the pages' Origin: "https" on the lab server
};

// Equal texts, compared in a time that does not depend on where they differ.
bool constantTimeEqual(std::string_view a, std::string_view b);
// A cookie's value from a Cookie header, empty when it is not there.
std::string cookieValue(std::string_view header, std::string_view name);
// Why a request target is refused (a "..", NUL, backslash or an encoded
// slash), empty when it is fine.
std::string targetRefusal(std::string_view target);
// The target's query without its token parameter ("" or "?lang=ru").
std::string queryWithoutToken(std::string_view target);

enum class GuardResult { Pass, Refused };

// A browser's request for a page (a GET outside /api/ and /static/).
bool wantsPage(const httplib::Request& request);
// The checks that hold on both servers, each answering a refused request
// itself: the Host header is one of the server's own (421); a POST's
// Origin, when present, is the server's own page, and when `required`
// (a browser's cookie signs the request) it must be present (403); the
// method is GET, HEAD or POST (405); the target has nothing that could
// climb out of a path (400).
GuardResult checkHost(const GuardSettings& settings, const httplib::Request& request, httplib::Response& response);
GuardResult checkOrigin(const GuardSettings& settings, bool required, const httplib::Request& request,
                        httplib::Response& response);
GuardResult checkMethodAndTarget(const httplib::Request& request, httplib::Response& response);

// Answers a refused request itself (status, JSON error, or a small page for
// a browser that has no token yet, or the redirect that sets the cookie).
GuardResult checkRequest(const GuardSettings& settings, const httplib::Request& request,
                         httplib::Response& response);

// The headers of every answer: the content security policy and the others
// that keep a page to itself; /static/ files may be cached.
void addSecurityHeaders(httplib::Response& response, bool cacheable);

}  // namespace zel::serve
