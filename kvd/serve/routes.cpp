#include "kvd/serve/routes.h"

#include <httplib.h>

#include <charconv>
#include <cstdio>

#include "kvd/serve/caller.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/roles.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

// How many records stand elsewhere, and at which points how many.
Json recordsElsewhereParams(const archive::RecordsElsewhere& e) {
  Json points = Json::array();
  for (const archive::PointCount& p : e.points())
    points.push_back(Json{{"object", p.object},
                          {"floor", p.point.floor},
                          {"room", p.point.room},
                          {"point", p.point.point},
                          {"records", p.records}});
  return Json{{"n", e.records()}, {"points", points}, {"more_points", e.morePoints()}};
}

// On the lab server, a request beyond the caller's role changes nothing.
void checkRole(const RouteRole& route, const httplib::Request& request) {
  const Caller& caller = currentCaller();
  const std::optional<archive::Role> needed = neededRole(route, request);
  if (!needed || !caller.lab) return;
  if (!caller.person) throw HttpError(401, "sign in first", "signin_needed");
  if (!archive::mayAct(caller.person->role, *needed))
    throw HttpError(403, std::string("your role (") + archive::roleName(caller.person->role) + ") may not do this",
                    "role_forbidden", Json{{"role", archive::roleName(caller.person->role)}});
}

// The caller of this request is forgotten when its route is done.
struct CallerForgotten {
  ~CallerForgotten() { currentCaller() = Caller{}; }
};

// The route's role checked first. The answer of a route that failed: its
// own refusal as it is; the archive's refusal as a conflict with the
// archive's words; a failure of the database or of the server in general
// words, its details on the server's console only.
Handler guarded(Handler handler, const RouteRole& route) {
  return [handler = std::move(handler), &route](const httplib::Request& request, httplib::Response& response) {
    const CallerForgotten forgotten;
    try {
      checkParameterLengths(request);
      checkRole(route, request);
      currentCaller().reason = requestReason(request);
      handler(request, response);
    } catch (const HttpError& e) {
      sendError(response, e.status(), e.what(), e.code(), e.params());
    } catch (const archive::RecordsElsewhere& e) {
      sendError(response, 409, e.what(), e.code(), recordsElsewhereParams(e));
    } catch (const archive::ArchiveError& e) {
      sendError(response, 409, e.what(), e.code());
    } catch (const archive::DatabaseError& e) {
      std::fprintf(stderr, "kvd serve: %s %s: %s\n", request.method.c_str(), request.path.c_str(), e.what());
      const bool busy = e.kind() == archive::DatabaseError::Kind::Busy;
      sendError(response, busy ? 503 : 500, busy ? "the archive is busy: try again" : "the archive could not do it",
                busy ? "archive_busy" : "archive_failed");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kvd serve: %s %s: %s\n", request.method.c_str(), request.path.c_str(), e.what());
      sendError(response, 500, "the server could not answer", "server_failed");
    }
  };
}

}  // namespace

void Routes::get(const std::string& pattern, Handler handler) {
  server_.Get(pattern, guarded(std::move(handler), routeRole("GET", pattern)));
}

void Routes::post(const std::string& pattern, Handler handler) {
  server_.Post(pattern, guarded(std::move(handler), routeRole("POST", pattern)));
}

std::int64_t pathId(const httplib::Request& request, const char* what) {
  const std::string text = request.matches.size() > 1 ? request.matches[1].str() : std::string();
  std::int64_t id = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    throw HttpError(404, std::string("no such ") + what, "no_" + std::string(what));
  return id;
}

}  // namespace zel::serve
