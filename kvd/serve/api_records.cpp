// GET /api/records (a page of the list), /api/records/{id} (one record),
// /api/records/{id}/page.svg (its result page as kvd render draws it), and
// the spectrum panels: POST /api/records/{id}/spectrum opens one,
// POST /api/spectrum/{panel} drives it.
#include <httplib.h>

#include "kvd/report/render.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/record_json.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

void addRecordRoutes(Routes& routes, ServeContext& context) {
  routes.get("/api/records", [&context](const httplib::Request& request, httplib::Response& response) {
    QueryParameters parameters(request.params.begin(), request.params.end());
    std::uint64_t offset = 0;
    const archive::RecordPage page = context.withArchive([&](archive::Archive& archive) {
      const RecordsQuery q = parseRecordsQuery(parameters, true, archive);
      offset = q.offset;
      return archive.recordPage(q.selection, q.sort, q.descending, q.offset, q.limit);
    });
    Json rows = Json::array();
    const std::string lang = requestLanguage(request, context);
    for (const archive::StoredRecord& r : page.rows) rows.push_back(recordRow(r, lang));
    sendJson(response, Json{{"total", page.total}, {"offset", offset}, {"rows", rows}});
  });

  routes.get(R"(/api/records/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "record");
    const Json out = context.withArchive([&](archive::Archive& archive) {
      const archive::StoredRecord r = storedRecord(archive, id);
      return recordDetail(r, archive.where(id), requestLanguage(request, context));
    });
    sendJson(response, out);
  });

  routes.get(R"(/api/records/(\d+)/page\.svg)", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "record");
    const archive::StoredRecord r = context.withArchive([&](archive::Archive& a) { return storedRecord(a, id); });
    const report::SvgResult svg = report::renderPageSvg(r.record);
    if (!svg.ok()) throw HttpError(404, svg.error, "no_page", Json{{"mode", r.record.modeCode()}});
    response.set_content(svg.svg, "image/svg+xml");
  });

  routes.post(R"(/api/records/(\d+)/spectrum)", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "record");
    const archive::StoredRecord r = context.withArchive([&](archive::Archive& a) { return storedRecord(a, id); });
    sendJson(response, context.panels.open(r.record));
  });

  routes.post(R"(/api/spectrum/([0-9a-f]+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    if (!body.contains("events")) throw HttpError(400, "\"events\" is missing", "missing", Json{{"field", "events"}});
    const std::optional<Json> state = context.panels.apply(request.matches[1].str(), body["events"]);
    if (!state) throw HttpError(404, "no such spectrum panel (it was closed): open the spectrum again", "no_panel");
    sendJson(response, *state);
  });
}

}  // namespace zel::serve
