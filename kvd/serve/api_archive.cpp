// GET /api/session, /api/archive, /api/devices and POST /api/quit.
#include <httplib.h>

#include "kvd/serve/archive_json.h"
#include "kvd/serve/pages.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/protocol_answers.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

void addArchiveRoutes(Routes& routes, ServeContext& context) {
  routes.get("/api/session", [&context](const httplib::Request& request, httplib::Response& response) {
    sendJson(response, Json{{"csrf", requestCsrf(context)},
                            {"lang", requestLanguage(request, context)},
                            {"version", context.version},
                            {"archive", context.shownLocation},
                            // Quit stops the server for every user of this address.
                            {"listen", context.settings.listen.empty() ? Json() : Json(context.settings.listen)},
                            // The pages offer protocols as PDF only when the server can print them.
                            {"pdf", pdfAvailable()}});
  });
  routes.get("/api/archive", [&context](const httplib::Request&, httplib::Response& response) {
    sendJson(response, context.withArchive([](archive::Archive& a) { return archiveJson(a); }));
  });
  routes.get("/api/devices", [&context](const httplib::Request&, httplib::Response& response) {
    sendJson(response, context.withArchive([](archive::Archive& a) { return devicesJson(a); }));
  });
  routes.post("/api/quit", [&context](const httplib::Request&, httplib::Response& response) {
    sendJson(response, Json{{"ok", true}});
    if (context.quit) context.quit();
  });
}

}  // namespace zel::serve
