// POST /api/assign and /api/unassign: records put at a point of an object,
// or taken off their points, chosen by their ids or by a filter, under the
// archive's rules (a record at another point moves only when asked); and
// POST /api/placements/{id} and /api/placements/{id}/remove: a placement
// corrected or removed.
#include <httplib.h>

#include "kvd/serve/archive_json.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"
#include "kvd/stats/stats.h"

namespace zel::serve {

namespace {

// A refusal that the pages show at the field it names.
HttpError fieldError(const std::string& message, const char* code, const char* field, Json params = Json::object()) {
  params["field"] = field;
  return HttpError(400, message, code, params);
}

std::optional<cli::DateTime> placementTime(const Json& body, const char* key, bool endOfDay) {
  const std::optional<std::string> text = optionalText(body, key);
  if (!text) return std::nullopt;
  cli::DateTime t;
  if (!cli::parsePeriodBound(*text, endOfDay, t))
    throw fieldError(std::string("\"") + key + "\": \"" + *text +
                         "\" is not a date and time (dd.mm.yyyy[ hh:mm[:ss]] or YYYY-MM-DD[Thh:mm[:ss]])",
                     "bad_date", key, Json{{"text", *text}});
  return t;
}

// The fields given of a placement's correction; the point's three go
// together, the ones not given empty.
archive::PlacementChange placementChange(const Json& body) {
  for (auto it = body.begin(); it != body.end(); ++it)
    if (it.key() != "device" && it.key() != "floor" && it.key() != "room" && it.key() != "point" &&
        it.key() != "from" && it.key() != "to" && it.key() != "reason")
      throw HttpError(400, "unknown field \"" + it.key() + "\" (device, floor, room, point, from, to, reason)");
  archive::PlacementChange change;
  if (body.contains("device")) {
    const Json& d = body["device"];
    if (!d.is_number_unsigned() || d.get<std::uint64_t>() == 0 || d.get<std::uint64_t>() > 0xFFFFFFFF)
      throw fieldError("\"device\" must be a device number from 1 to 4294967295", "bad_device", "device");
    change.device = static_cast<std::uint32_t>(d.get<std::uint64_t>());
  }
  if (body.contains("floor") || body.contains("room") || body.contains("point")) {
    archive::PointName point{optionalText(body, "floor").value_or(""), optionalText(body, "room").value_or(""),
                             optionalText(body, "point").value_or("")};
    if (point.room.empty()) throw fieldError("\"room\" must not be empty", "room_missing", "room");
    change.point = point;
  }
  change.from = placementTime(body, "from", false);
  change.to = placementTime(body, "to", true);
  return change;
}

}  // namespace

void addPlacingRoutes(Routes& routes, ServeContext& context) {
  routes.post("/api/assign", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    if (!body.contains("object")) throw HttpError(400, "\"object\" is missing");
    archive::PointName point;
    point.floor = optionalText(body, "floor").value_or("");
    point.room = requiredText(body, "room");
    point.point = optionalText(body, "point").value_or("");
    if (point.room.empty()) throw HttpError(400, "\"room\" must not be empty", "room_missing");
    const bool move = optionalFlag(body, "move");
    const archive::AssignResult result = context.changeArchive([&](archive::Archive& a) {
      const archive::ObjectSummary object = findObject(a, body["object"]);
      const archive::Selection selection = parseRecordChoice(body, a);
      return a.assign(object.info.name, point, selection, move);
    });
    sendJson(response, Json{{"assigned", result.assigned},
                            {"already", result.already},
                            {"moved", result.moved},
                            {"point_created", result.pointCreated}});
  });

  routes.post("/api/unassign", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    const std::uint64_t unassigned = context.changeArchive([&](archive::Archive& a) {
      return a.unassign(parseRecordChoice(body, a));
    });
    sendJson(response, Json{{"unassigned", unassigned}});
  });

  routes.post(R"(/api/placements/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "placement");
    const archive::PlacementChange change = placementChange(bodyObject(request));
    sendJson(response, context.changeArchive([&](archive::Archive& a) {
      if (!a.placement(id)) throw HttpError(404, "the archive has no placement " + std::to_string(id), "no_placement");
      try {
        return placementJson(a.changePlacement(id, change));
      } catch (const archive::ArchiveError& e) {
        if (e.code() != "dates_reversed") throw;
        throw fieldError(e.what(), "dates_reversed", "to");
      }
    }));
  });

  routes.post(R"(/api/placements/(\d+)/remove)", [&context](const httplib::Request& request,
                                                             httplib::Response& response) {
    const std::int64_t id = pathId(request, "placement");
    context.changeArchive([&](archive::Archive& a) {
      if (!a.placement(id)) throw HttpError(404, "the archive has no placement " + std::to_string(id), "no_placement");
      a.removePlacement(id);
      return true;
    });
    sendJson(response, Json{{"removed", true}});
  });
}

}  // namespace zel::serve
