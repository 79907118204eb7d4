// The HTML pages, GET /, /records, /records/{id}, /objects/{id},
// /instruments, /users, /audit, /lab and the lab server's /signin, in the
// request's language, with their initial data and who reads them; and
// /static/NAME.
#include <httplib.h>

#include "kvd/meaning/record_meaning.h"
#include "kvd/serve/archive_json.h"
#include "kvd/serve/guards.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/pages.h"
#include "kvd/serve/protocol_answers.h"
#include "kvd/serve/record_json.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/page_words.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

constexpr std::uint32_t kLastModeCode = 26;

// Who reads a page, as its template and script need it.
Json pageMe(const ServeContext& context) {
  Json me = meJson(context);
  me.erase("position");
  return me;
}

// A language chosen in the address is remembered for the next pages.
void sendPage(const httplib::Request& request, httplib::Response& response, const PageRequest& page) {
  if (request.has_param("lang"))
    response.set_header("Set-Cookie", "kvd_lang=" + page.language + "; SameSite=Strict; Path=/");
  response.set_content(renderPage(page), "text/html; charset=utf-8");
}

Json modesJson(const std::string& lang) {
  Json out = Json::array();
  for (std::uint32_t code = 0; code <= kLastModeCode; ++code) {
    if (cli::modeNameText(code) != "???")
      out.push_back(Json{{"code", code}, {"name", std::string(modeNameIn(lang, code))}});
  }
  return out;
}


}  // namespace

// A page names its own language in X-Kvd-Lang when it asks the API, so that
// the answer follows the page even after another tab chose the other one.
std::string requestLanguage(const httplib::Request& request, const ServeContext& context) {
  std::string given = request.get_param_value("lang");
  if (given.empty()) given = request.get_header_value("X-Kvd-Lang");
  return chooseLanguage(given, cookieValue(request.get_header_value("Cookie"), "kvd_lang"), context.settings.language,
                        request.get_header_value("Accept-Language"));
}

void addPageRoutes(Routes& routes, ServeContext& context) {
  // A page's data from the archive, the id in its path and, where it shows
  // words of kvd's (mode names, units), the page's language.
  auto page = [&context](const std::string& name, auto data) {
    return [&context, name, data](const httplib::Request& request, httplib::Response& response) {
      for (const auto& [key, value] : request.params)
        if (key != "lang")
          throw HttpError(400, "unknown parameter \"" + key + "\"", "unknown_parameter", Json{{"field", key}});
      const std::string lang = requestLanguage(request, context);
      const std::string id = request.matches.size() > 1 ? request.matches[1].str() : std::string();
      PageRequest p{name, id, lang, requestCsrf(context), context.version,
                    context.withArchive([&](archive::Archive& a) {
                      if constexpr (std::is_invocable_v<decltype(data), archive::Archive&, const std::string&,
                                                        const std::string&>)
                        return Json(data(a, id, lang));
                      else
                        return Json(data(a, id));
                    }),
                    pageMe(context), pdfAvailable()};
      sendPage(request, response, p);
    };
  };
  routes.get("/", page("archive", [](archive::Archive& a, const std::string&) { return archiveJson(a); }));
  routes.get("/records", page("records", [](archive::Archive& a, const std::string&, const std::string& lang) {
               Json objects = Json::array();
               for (const archive::ObjectSummary& o : a.objects()) objects.push_back(objectJson(o));
               Json devices = Json::array();
               for (std::uint32_t number : a.deviceNumbers()) devices.push_back(number);
               return Json{{"objects", objects},
                           {"devices", devices},
                           {"modes", modesJson(lang)},
                           {"text_limit", kMaxTextCharacters}};
             }));
  routes.get(R"(/records/(\d+))", page("record", [](archive::Archive& a, const std::string& id, const std::string& lang) {
               const std::int64_t n = std::stoll(id);
               return recordDetail(storedRecord(a, n), a.where(n), lang);
             }));
  routes.get("/instruments", page("instruments", [](archive::Archive& a, const std::string&) {
               return Json{{"devices", devicesJson(a)}};
             }));
  routes.get(R"(/objects/(\d+))", page("object", [](archive::Archive& a, const std::string& id, const std::string& lang) {
               return objectDetailJson(a, findObjectById(a, std::stoll(id)), lang);
             }));

  // The accounts, the trail and the laboratory fetch what they show
  // themselves.
  routes.get("/users", page("users", [](archive::Archive&, const std::string&) { return Json::object(); }));
  routes.get("/audit", page("audit", [](archive::Archive&, const std::string&) { return Json::object(); }));
  routes.get("/lab", page("lab", [](archive::Archive&, const std::string&) { return Json::object(); }));
  // The sign-in page is shown to anyone; the address to go on to after it
  // stays in its query for its script (a path of this server only).
  routes.get("/signin", [&context](const httplib::Request& request, httplib::Response& response) {
    for (const auto& [key, value] : request.params)
      if (key != "lang" && key != "next")
        throw HttpError(400, "unknown parameter \"" + key + "\"", "unknown_parameter", Json{{"field", key}});
    if (!context.lab()) {
      response.status = 303;
      response.set_header("Location", "/");
      return;
    }
    const std::string lang = requestLanguage(request, context);
    sendPage(request, response,
             PageRequest{"signin", "", lang, requestCsrf(context), context.version, Json::object(), pageMe(context)});
  });

  routes.get(R"(/static/([A-Za-z0-9_.\-]+))", [](const httplib::Request& request, httplib::Response& response) {
    const std::optional<StaticFile> file = staticFile(request.matches[1].str());
    if (!file) throw HttpError(404, "no such file", "not_found");
    response.set_content(std::string(file->text), file->contentType);
  });
}

}  // namespace zel::serve
