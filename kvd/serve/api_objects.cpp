// The objects: GET /api/objects/{id} with its placements and series,
// POST /api/objects (a new one), /api/objects/{id} (changed fields),
// /api/objects/{id}/remove, and the draft protocol, GET
// /api/objects/{id}/protocol, as kvd archive report writes it (or printed
// to PDF).
#include <httplib.h>

#include "kvd/commands/archive_commands.h"
#include "kvd/serve/archive_json.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/protocol_answers.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

namespace {

archive::ObjectChange objectChange(const Json& body) {
  onlyFields(body, {"name", "address", "client", "notes", "kind", "reason"});
  archive::ObjectChange change;
  change.name = optionalText(body, "name");
  change.address = optionalText(body, "address");
  change.client = optionalText(body, "client");
  change.notes = optionalText(body, "notes");
  change.kind = optionalText(body, "kind");
  if (change.name && change.name->empty()) throw HttpError(400, "\"name\" must not be empty", "object_name_missing");
  if (change.kind && !archive::validObjectKind(*change.kind))
    throw HttpError(400, "\"kind\" is in-use, new or workplace, not \"" + *change.kind + "\"", "object_kind",
                    Json{{"field", "kind"}, {"text", *change.kind}});
  return change;
}

}  // namespace

void addObjectRoutes(Routes& routes, ServeContext& context) {
  routes.get(R"(/api/objects/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    sendJson(response, context.withArchive([&](archive::Archive& a) {
      return objectDetailJson(a, findObjectById(a, id), requestLanguage(request, context));
    }));
  });

  routes.post("/api/objects", [&context](const httplib::Request& request, httplib::Response& response) {
    const archive::ObjectChange change = objectChange(bodyObject(request));
    if (!change.name) throw HttpError(400, "\"name\" is missing", "object_name_missing");
    const archive::ObjectInfo info{*change.name, change.address.value_or(""), change.client.value_or(""),
                                   change.notes.value_or(""), change.kind.value_or(archive::kDefaultObjectKind)};
    const std::int64_t id = context.changeArchive([&](archive::Archive& a) {
      a.addObject(info);
      return findObject(a, Json(info.name)).id;
    });
    sendJson(response, Json{{"id", id}}, 201);
  });

  routes.post(R"(/api/objects/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    const archive::ObjectChange change = objectChange(bodyObject(request));
    sendJson(response, context.changeArchive([&](archive::Archive& a) {
      a.editObject(findObjectById(a, id).info.name, change);
      return objectJson(findObjectById(a, id));
    }));
  });

  routes.post(R"(/api/objects/(\d+)/remove)", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    const bool unassign = optionalFlag(bodyObject(request), "unassign");
    const std::uint64_t unassigned = context.changeArchive([&](archive::Archive& a) {
      return a.removeObject(findObjectById(a, id).info.name, unassign);
    });
    sendJson(response, Json{{"removed", true}, {"unassigned", unassigned}});
  });

  routes.get(R"(/api/objects/(\d+)/protocol)", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    onlyParameters(request, {"lang", "download", "format"});
    if (request.has_param("lang") && request.get_param_value("lang") != "en" && request.get_param_value("lang") != "ru")
      throw HttpError(400, "\"lang\" is en or ru", "bad_lang");
    const std::string format = request.has_param("format") ? request.get_param_value("format") : "html";
    if (format != "html" && format != "pdf") throw HttpError(400, "\"format\" is html or pdf", "bad_format");
    const std::string lang = requestLanguage(request, context);
    const std::string html = context.withArchive([&](archive::Archive& a) {
      const archive::ObjectSummary object = findObjectById(a, id);
      return cli::archiveProtocolHtml(a, object.info, {}, lang == "ru");
    });
    const std::string name = std::to_string(id);
    if (format == "pdf") return sendProtocolPdf(response, html, protocolFileName(name, "pdf"), lang);
    sendProtocolHtml(response, html, request.get_param_value("download") == "1" ? protocolFileName(name, "html") : "");
  });
}

}  // namespace zel::serve
