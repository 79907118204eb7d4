// The routes of kvd serve, by what they serve; each group adds its routes
// to the server. A route throws HttpError to refuse; the wrapper turns it,
// and the archive's refusals and failures, into the JSON error answer.
#pragma once

#include <functional>
#include <string>

#include "kvd/serve/json_io.h"
#include "kvd/serve/serve_context.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace zel::serve {

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

class Routes {
 public:
  explicit Routes(httplib::Server& server) : server_(server) {}
  void get(const std::string& pattern, Handler handler);
  void post(const std::string& pattern, Handler handler);

 private:
  httplib::Server& server_;
};

// The language of a request: ?lang=, the cookie kvd_lang, --lang, or the
// browser's Accept-Language.
std::string requestLanguage(const httplib::Request& request, const ServeContext& context);

// An id from the path's first capture; 404 when it is no id.
std::int64_t pathId(const httplib::Request& request, const char* what);

// The CSRF token of the request's pages: its session's on the lab server,
// the server's own on the personal one.
std::string requestCsrf(const ServeContext& context);
// Who asks, as GET /api/me answers: {"login", "name", "position", "role",
// "lab"}; at this computer its user, who may do everything.
Json meJson(const ServeContext& context);

void addPageRoutes(Routes& routes, ServeContext& context);
void addArchiveRoutes(Routes& routes, ServeContext& context);
void addRecordRoutes(Routes& routes, ServeContext& context);
void addImportRoutes(Routes& routes, ServeContext& context);
void addPlacingRoutes(Routes& routes, ServeContext& context);
void addDeviceRoutes(Routes& routes, ServeContext& context);
void addObjectRoutes(Routes& routes, ServeContext& context);
void addExportRoutes(Routes& routes, ServeContext& context);
void addSignInRoutes(Routes& routes, ServeContext& context);
void addUserRoutes(Routes& routes, ServeContext& context);
void addAuditRoutes(Routes& routes, ServeContext& context);
void addLabRoutes(Routes& routes, ServeContext& context);
void addProtocolRoutes(Routes& routes, ServeContext& context);

}  // namespace zel::serve
