// GET /api/audit: the audit trail, newest first. The whole trail is for
// admins; the trail of one object (?object=NAME: the object, its points and
// placements) is part of what the object's page shows to every reader.
#include <httplib.h>

#include <algorithm>
#include <cstdio>

#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/routes.h"
#include "kvd/stats/stats.h"

namespace zel::serve {

namespace {

constexpr std::uint64_t kDefaultEntries = 100;
constexpr std::uint64_t kMostEntries = 1000;

// A before or after as the JSON it holds; null when there was none.
Json entryValue(const std::string& text) {
  if (text.empty()) return Json();
  Json value = Json::parse(text, nullptr, false);
  return value.is_discarded() ? Json(text) : value;
}

Json entryJson(const archive::AuditEntry& e) {
  return Json{{"id", e.id},
              {"at", e.at},
              {"who", e.who},
              {"action", e.action},
              {"target", e.target},
              {"before", entryValue(e.before)},
              {"after", entryValue(e.after)},
              {"reason", e.reason}};
}

// "since" in either of kvd's forms, as the trail's UTC times are written.
std::string sinceText(const std::string& text) {
  cli::DateTime t;
  if (!cli::parsePeriodBound(text, false, t))
    throw HttpError(400,
                    "\"since\": \"" + text +
                        "\" is not a date and time of the forms YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]",
                    "bad_date", Json{{"field", "since"}, {"text", text}});
  char out[32];
  std::snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(t.year), unsigned(t.month),
                unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
  return out;
}

archive::AuditFilter auditFilter(const httplib::Request& request) {
  archive::AuditFilter filter;
  filter.limit = kDefaultEntries;
  for (const auto& [key, value] : request.params) {
    if (request.get_param_value_count(key) > 1)
      throw HttpError(400, "\"" + key + "\" is given more than once", "given_twice", Json{{"field", key}});
    if (key == "object" || key == "user") {
      if (value.empty())
        throw HttpError(400, "\"" + key + "\" must not be empty", "missing", Json{{"field", key}});
      (key == "object" ? filter.object : filter.who) = value;
    } else if (key == "since") {
      filter.since = sinceText(value);
    } else if (key == "limit") {
      filter.limit = queryNumber("limit", value, kMostEntries);
    } else {
      throw HttpError(400, "unknown parameter \"" + key + "\" (object, user, since, limit)", "unknown_parameter",
                      Json{{"field", key}});
    }
  }
  return filter;
}

}  // namespace

void addAuditRoutes(Routes& routes, ServeContext& context) {
  routes.get("/api/audit", [&context](const httplib::Request& request, httplib::Response& response) {
    const archive::AuditFilter filter = auditFilter(request);
    Json out = Json::array();
    if (filter.limit > 0) {
      std::vector<archive::AuditEntry> entries =
          context.withArchive([&](archive::Archive& a) { return a.auditLog(filter); });
      std::reverse(entries.begin(), entries.end());
      for (const archive::AuditEntry& e : entries) out.push_back(entryJson(e));
    }
    sendJson(response, out);
  });
}

}  // namespace zel::serve
