#include "kvd/serve/roles.h"

#include <httplib.h>

#include <regex>
#include <stdexcept>
#include <vector>

namespace zel::serve {

namespace {

using archive::Role;
constexpr std::optional<Role> kOpen = std::nullopt;
constexpr Role V = Role::Viewer, O = Role::Operator, P = Role::Approver, A = Role::Admin;

// Reading, exporting and printing: viewer. Changing the archive: operator.
// Issuing a protocol, which the one who issues it signs: approver. The
// laboratory's details, accounts, the whole audit trail and stopping the
// server: admin.
const RouteRole kRoutes[] = {
    {"GET", "/", V},
    {"GET", "/records", V},
    {"GET", R"(/records/(\d+))", V},
    {"GET", "/instruments", V},
    {"GET", R"(/objects/(\d+))", V},
    {"GET", "/users", A},
    {"GET", "/audit", A},
    {"GET", "/lab", A},
    {"GET", "/signin", kOpen},
    {"GET", R"(/static/([A-Za-z0-9_.\-]+))", kOpen},

    {"POST", "/api/login", kOpen},
    {"POST", "/api/logout", V},
    {"GET", "/api/me", V},
    {"GET", "/api/session", V},
    {"GET", "/api/archive", V},
    {"GET", "/api/devices", V},
    {"GET", "/api/records", V},
    {"GET", R"(/api/records/(\d+))", V},
    {"GET", R"(/api/records/(\d+)/page\.svg)", V},
    {"POST", R"(/api/records/(\d+)/spectrum)", V},
    {"POST", R"(/api/spectrum/([0-9a-f]+))", V},
    {"GET", R"(/api/objects/(\d+))", V},
    {"GET", R"(/api/objects/(\d+)/protocol)", V},
    {"GET", R"(/api/objects/(\d+)/protocols)", V},
    {"GET", R"(/api/protocols/(\d+))", V},
    {"GET", R"(/api/protocols/(\d+)/pdf)", V},
    {"GET", "/api/lab", V},
    {"POST", "/api/export", V},
    {"GET", "/api/audit", A, "object", V},

    {"POST", "/api/import", O, nullptr, V, true},
    {"POST", "/api/objects", O, nullptr, V, true},
    {"POST", R"(/api/objects/(\d+))", O, nullptr, V, true},
    {"POST", R"(/api/objects/(\d+)/remove)", O, nullptr, V, true},
    {"POST", "/api/assign", O, nullptr, V, true},
    {"POST", "/api/unassign", O, nullptr, V, true},
    {"POST", R"(/api/placements/(\d+))", O, nullptr, V, true},
    {"POST", R"(/api/placements/(\d+)/remove)", O, nullptr, V, true},
    {"POST", R"(/api/devices/(\d+))", O, nullptr, V, true},

    {"POST", R"(/api/objects/(\d+)/protocols)", P, nullptr, V, true},

    {"POST", "/api/lab", A, nullptr, V, true},

    {"GET", "/api/users", A},
    {"POST", "/api/users", A, nullptr, V, true},
    {"POST", R"(/api/users/([A-Za-z0-9._\-]+))", A, nullptr, V, true},
    {"POST", "/api/quit", A},
};

struct Compiled {
  const RouteRole* route;
  std::regex pattern;
};

const std::vector<Compiled>& compiled() {
  static const std::vector<Compiled> all = [] {
    std::vector<Compiled> out;
    for (const RouteRole& r : kRoutes) out.push_back({&r, std::regex(r.pattern)});
    return out;
  }();
  return all;
}

}  // namespace

std::span<const RouteRole> routeRoles() { return kRoutes; }

const RouteRole& routeRole(std::string_view method, std::string_view pattern) {
  for (const RouteRole& r : kRoutes)
    if (method == r.method && pattern == r.pattern) return r;
  throw std::logic_error("kvd serve: the route " + std::string(method) + " " + std::string(pattern) +
                         " has no role in kvd/serve/roles.cpp");
}

const RouteRole* routeOf(const std::string& method, const std::string& path) {
  const std::string asked = method == "HEAD" ? "GET" : method;
  for (const Compiled& c : compiled())
    if (asked == c.route->method && std::regex_match(path, c.pattern)) return c.route;
  return nullptr;
}

std::optional<archive::Role> neededRole(const RouteRole& route, const httplib::Request& request) {
  if (route.least && route.lowerBy && !request.get_param_value(route.lowerBy).empty()) return route.leastWithIt;
  return route.least;
}

}  // namespace zel::serve
