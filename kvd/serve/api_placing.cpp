// POST /api/assign and /api/unassign: records put at a point of an object,
// or taken off their points, chosen by their ids or by a filter, under the
// archive's rules (a record at another point moves only when asked).
#include <httplib.h>

#include "kvd/serve/http_error.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

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
}

}  // namespace zel::serve
