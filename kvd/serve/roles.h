// Who may use which route of kvd serve: every route the server has, with
// the least role it needs on the lab server. A route missing here is a
// mistake the server refuses to start with, so no route is ever open by
// being forgotten. The personal server (kvd serve without --listen) serves
// the person at this computer, who may do everything.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kvd/archive/accounts.h"

namespace httplib {
struct Request;
}

namespace zel::serve {

struct RouteRole {
  const char* method;   // "GET" (HEAD too) or "POST"
  const char* pattern;  // as the route is added
  // None: open without signing in (the sign-in page, its files, the sign-in).
  std::optional<archive::Role> least;
  // A query parameter that, when given, lets a lesser role in: the audit
  // trail of one object is part of what its page shows.
  const char* lowerBy = nullptr;
  archive::Role leastWithIt = archive::Role::Viewer;
  // It changes the archive (the audit trail shows who did it).
  bool changes = false;
};

std::span<const RouteRole> routeRoles();
// The entry of a route as it is added; throws std::logic_error when there
// is none.
const RouteRole& routeRole(std::string_view method, std::string_view pattern);
// The entry of the route that a request goes to; none when no route
// takes it.
const RouteRole* routeOf(const std::string& method, const std::string& path);
// The least role this request needs; none when it needs no sign-in.
std::optional<archive::Role> neededRole(const RouteRole& route, const httplib::Request& request);

}  // namespace zel::serve
