// The HTML pages, GET /, /records, /records/{id}, /objects/{id},
// /instruments, in the request's language, with their initial data; and
// /static/NAME.
#include <httplib.h>

#include "kvd/meaning/record_meaning.h"
#include "kvd/serve/archive_json.h"
#include "kvd/serve/guards.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/pages.h"
#include "kvd/serve/record_json.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

constexpr std::uint32_t kLastModeCode = 26;

Json modesJson() {
  Json out = Json::array();
  for (std::uint32_t code = 0; code <= kLastModeCode; ++code) {
    const std::string_view name = cli::modeNameText(code);
    if (name != "???") out.push_back(Json{{"code", code}, {"name", std::string(name)}});
  }
  return out;
}


}  // namespace

std::string requestLanguage(const httplib::Request& request, const ServeContext& context) {
  return chooseLanguage(request.get_param_value("lang"), cookieValue(request.get_header_value("Cookie"), "kvd_lang"),
                        context.settings.language, request.get_header_value("Accept-Language"));
}

void addPageRoutes(Routes& routes, ServeContext& context) {
  auto page = [&context](const std::string& name, std::function<Json(archive::Archive&, const std::string&)> data) {
    return [&context, name, data](const httplib::Request& request, httplib::Response& response) {
      for (const auto& [key, value] : request.params)
        if (key != "lang") throw HttpError(400, "unknown parameter \"" + key + "\"");
      const std::string lang = requestLanguage(request, context);
      const std::string id = request.matches.size() > 1 ? request.matches[1].str() : std::string();
      PageRequest p{name, id, lang, context.csrf, context.version,
                    context.withArchive([&](archive::Archive& a) { return data(a, id); })};
      if (request.has_param("lang")) response.set_header("Set-Cookie", "kvd_lang=" + lang + "; SameSite=Strict; Path=/");
      response.set_content(renderPage(p), "text/html; charset=utf-8");
    };
  };
  routes.get("/", page("archive", [](archive::Archive& a, const std::string&) { return archiveJson(a); }));
  routes.get("/records", page("records", [](archive::Archive& a, const std::string&) {
               Json objects = Json::array();
               for (const archive::ObjectSummary& o : a.objects()) objects.push_back(objectJson(o));
               Json devices = Json::array();
               for (std::uint32_t number : a.deviceNumbers()) devices.push_back(number);
               return Json{{"objects", objects},
                           {"devices", devices},
                           {"modes", modesJson()},
                           {"text_limit", kMaxTextCharacters}};
             }));
  routes.get(R"(/records/(\d+))", page("record", [](archive::Archive& a, const std::string& id) {
               const std::int64_t n = std::stoll(id);
               return recordDetail(storedRecord(a, n), a.where(n));
             }));
  routes.get("/instruments", page("instruments", [](archive::Archive& a, const std::string&) {
               return Json{{"devices", devicesJson(a)}};
             }));
  routes.get(R"(/objects/(\d+))", page("object", [](archive::Archive& a, const std::string& id) {
               return objectDetailJson(a, findObjectById(a, std::stoll(id)));
             }));

  routes.get(R"(/static/([A-Za-z0-9_.\-]+))", [](const httplib::Request& request, httplib::Response& response) {
    const std::optional<StaticFile> file = staticFile(request.matches[1].str());
    if (!file) throw HttpError(404, "no such file");
    response.set_content(std::string(file->text), file->contentType);
  });
}

}  // namespace zel::serve
