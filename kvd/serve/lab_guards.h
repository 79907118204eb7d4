// The lab server's checks before any route, in the personal server's
// order: the Host header; the session (the sign-in page, its files and the
// sign-in itself need none; a page without one is sent to the sign-in
// page, an API call refused with 401); for a POST the session's own CSRF
// token and the server's own Origin; the method and the path.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "kvd/archive/accounts.h"
#include "kvd/serve/caller.h"
#include "kvd/serve/guards.h"
#include "kvd/serve/sessions.h"

namespace zel::serve {

inline constexpr const char* kSessionCookie = "kvd_session";

struct LabGuards {
  GuardSettings settings;  // the hosts, "https"
  SessionStore* sessions = nullptr;
  // The account of a login as the archive has it now.
  std::function<std::optional<archive::Account>(const std::string& login)> account;
};

// Finds the caller and answers a refused request itself.
GuardResult checkLabRequest(const LabGuards& guards, const httplib::Request& request, httplib::Response& response,
                            Caller& caller);

// The Set-Cookie of a new session, and of the end of one.
std::string sessionCookie(const std::string& id);
std::string endedSessionCookie();
// The sign-in page's address that brings the browser back to `target`
// (a path with its query) once signed in.
std::string signInAddress(std::string_view target);

}  // namespace zel::serve
