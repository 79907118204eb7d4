// The lab server's sign-in: POST /api/login starts a session (a new one at
// every sign-in), POST /api/logout ends it, GET /api/me says who asks. A
// wrong login and a wrong password get the same answer in the same time,
// each noted in the audit trail; too many lock the login for a while.
#include <httplib.h>

#include "kvd/archive/location.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/lab_guards.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

// A login as the audit trail notes it: what was typed, up to as many
// characters as a login may have and a few more.
constexpr std::size_t kNotedLoginCharacters = 80;

std::string notedLogin(const std::string& typed) {
  std::size_t characters = 0, at = 0;
  for (; at < typed.size(); ++at)
    if ((static_cast<unsigned char>(typed[at]) & 0xC0) != 0x80 && ++characters > kNotedLoginCharacters) break;
  return typed.substr(0, at);
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

HttpError lockedError(std::chrono::seconds left) {
  const auto minutes = std::chrono::ceil<std::chrono::minutes>(left).count();
  return HttpError(429,
                   "too many failed sign-ins: this login is locked for " + std::to_string(minutes) +
                       " more minute" + (minutes == 1 ? "" : "s"),
                   "signin_locked", Json{{"minutes", minutes}});
}

// A failed sign-in changes nothing of the archive but its trail, in the
// name of the address it came from: nobody is signed in.
void auditSignIn(ServeContext& context, const httplib::Request& request, const char* action,
                 const std::string& typed) {
  std::lock_guard lock(context.writerMutex);
  context.writer->setActor(archive::Actor{request.remote_addr, ""});
  context.writer->audit(action, notedLogin(typed), "", "");
}

void requireLab(const ServeContext& context) {
  if (!context.lab())
    throw HttpError(404, "this server serves this computer alone and has no sign-in (see kvd serve --listen)",
                    "not_found");
}

}  // namespace

std::string requestCsrf(const ServeContext& context) {
  const Caller& caller = currentCaller();
  return caller.lab ? caller.csrf : context.csrf;
}

Json meJson(const ServeContext& context) {
  const Caller& caller = currentCaller();
  if (caller.lab && caller.person)
    return Json{{"login", caller.person->login},
                {"name", caller.person->name},
                {"position", caller.person->position},
                {"role", archive::roleName(caller.person->role)},
                {"lab", true}};
  return Json{{"login", context.desk.who},
              {"name", archive::userName()},
              {"position", ""},
              {"role", archive::roleName(callerRole(caller))},
              {"lab", caller.lab}};
}

void addSignInRoutes(Routes& routes, ServeContext& context) {
  routes.post("/api/login", [&context](const httplib::Request& request, httplib::Response& response) {
    requireLab(context);
    const Json body = bodyObject(request);
    for (auto it = body.begin(); it != body.end(); ++it)
      if (it.key() != "login" && it.key() != "password")
        throw HttpError(400, "unknown field \"" + it.key() + "\" (login, password)", "unknown_field",
                        Json{{"field", it.key()}});
    const std::string typed = requiredText(body, "login");
    const std::string password = requiredText(body, "password");
    checkTextLength("login", typed);
    checkTextLength("password", password);
    const std::string login = trimmed(typed);
    if (const std::chrono::seconds left = context.signInLocks.lockedFor(login); left.count() > 0)
      throw lockedError(left);
    // Whatever was typed is asked of the archive, which takes as long for
    // a login it does not have as for a wrong password.
    const std::optional<archive::Account> account =
        context.withArchive([&](archive::Archive& a) { return a.signIn(login, password); });
    if (!account) {
      const bool locks = context.signInLocks.failed(login);
      auditSignIn(context, request, "signin.failed", typed);
      if (locks) {
        auditSignIn(context, request, "signin.locked", typed);
        throw lockedError(kLockTime);
      }
      throw HttpError(401, "the login or the password is wrong", "signin_failed");
    }
    context.signInLocks.succeeded(login);
    // A new session at every sign-in: an id that someone planted or saw
    // before is worth nothing after it.
    if (const Caller& caller = currentCaller(); !caller.sessionKey.empty()) context.sessions.end(caller.sessionKey);
    const SessionStore::Started started = context.sessions.start(*account);
    response.set_header("Set-Cookie", sessionCookie(started.id));
    sendJson(response, Json{{"login", account->login},
                            {"name", account->name},
                            {"position", account->position},
                            {"role", archive::roleName(account->role)},
                            {"csrf", started.session.csrf}});
  });

  routes.post("/api/logout", [&context](const httplib::Request&, httplib::Response& response) {
    requireLab(context);
    context.sessions.end(currentCaller().sessionKey);
    response.set_header("Set-Cookie", endedSessionCookie());
    sendJson(response, Json{{"ok", true}});
  });

  routes.get("/api/me", [&context](const httplib::Request&, httplib::Response& response) {
    sendJson(response, meJson(context));
  });
}

}  // namespace zel::serve
