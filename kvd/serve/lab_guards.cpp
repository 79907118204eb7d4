#include "kvd/serve/lab_guards.h"

#include <httplib.h>

#include "kvd/serve/json_io.h"
#include "kvd/serve/roles.h"

namespace zel::serve {

namespace {

// The session of the request's cookie, while its account is still active;
// the account is read again at most every minute, so that one disabled
// loses its sessions within a minute however it was disabled.
std::optional<Session> requestSession(const LabGuards& guards, const httplib::Request& request) {
  std::optional<Session> session =
      guards.sessions->find(cookieValue(request.get_header_value("Cookie"), kSessionCookie));
  if (!session || !session->accountDue) return session;
  const std::optional<archive::Account> account = guards.account(session->account.login);
  if (!account || !account->active) {
    guards.sessions->end(session->key);
    return std::nullopt;
  }
  guards.sessions->refresh(*account);
  session->account = *account;
  return session;
}

void refuseWithoutSession(const httplib::Request& request, httplib::Response& response) {
  if (wantsPage(request) && request.path != "/signin") {
    response.status = 303;
    response.set_header("Location", signInAddress(request.target));
    return;
  }
  sendError(response, 401, "sign in first: your session has ended or you have not signed in", "signin_needed");
}

}  // namespace

GuardResult checkLabRequest(const LabGuards& guards, const httplib::Request& request, httplib::Response& response,
                            Caller& caller) {
  caller = Caller{};
  caller.lab = true;
  if (checkHost(guards.settings, request, response) == GuardResult::Refused) return GuardResult::Refused;

  const RouteRole* route = routeOf(request.method, request.path);
  const bool open = route != nullptr && !route->least;
  const std::optional<Session> session = requestSession(guards, request);
  if (session) {
    caller.person = session->account;
    caller.sessionKey = session->key;
    caller.csrf = session->csrf;
  } else if (!open) {
    refuseWithoutSession(request, response);
    return GuardResult::Refused;
  }

  if (request.method == "POST") {
    // What a session may do is asked with its own CSRF token; the sign-in
    // itself has none yet.
    if (!open && !constantTimeEqual(request.get_header_value("X-CSRF-Token"), session->csrf)) {
      sendError(response, 403, "the request lacks the page's CSRF token (X-CSRF-Token)", "no_csrf");
      return GuardResult::Refused;
    }
    // The session's cookie goes with every request a browser makes to this
    // server, whatever page made it: the Origin must say it is our own.
    if (checkOrigin(guards.settings, !open, request, response) == GuardResult::Refused) return GuardResult::Refused;
  }
  return checkMethodAndTarget(request, response);
}

std::string sessionCookie(const std::string& id) {
  return std::string(kSessionCookie) + "=" + id + "; HttpOnly; Secure; SameSite=Strict; Path=/";
}

std::string endedSessionCookie() {
  return std::string(kSessionCookie) + "=; HttpOnly; Secure; SameSite=Strict; Path=/; Max-Age=0";
}

std::string signInAddress(std::string_view target) {
  if (target.empty() || target == "/") return "/signin";
  static const char hex[] = "0123456789ABCDEF";
  std::string out = "/signin?next=";
  for (const char c : target) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '/' || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    }
  }
  return out;
}

}  // namespace zel::serve
