// The lab's accounts, for admins: GET /api/users lists them, POST
// /api/users adds one, POST /api/users/{login} changes the fields given
// (name, position, role, active, password). An account is never removed,
// only disabled, and the lab always keeps an active admin. Sessions follow
// at once: a disabled account's end, a new role holds from the next
// request, a new password ends the account's other sessions.
#include <httplib.h>

#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

using archive::Account;

Json accountJson(const Account& a) {
  return Json{{"login", a.login},       {"name", a.name},     {"position", a.position},
              {"role", archive::roleName(a.role)}, {"active", a.active}, {"created_at", a.createdAt}};
}

std::optional<archive::Role> optionalRole(const Json& body) {
  const std::optional<std::string> name = optionalText(body, "role");
  if (!name) return std::nullopt;
  const std::optional<archive::Role> role = archive::roleFromName(*name);
  if (!role)
    throw HttpError(400, "\"role\": \"" + *name + "\" is none of viewer, operator, approver, admin", "bad_role",
                    Json{{"field", "role"}, {"text", *name}});
  return role;
}

std::optional<std::string> checkedText(const Json& body, const char* key) {
  std::optional<std::string> text = optionalText(body, key);
  if (text) checkTextLength(key, *text);
  return text;
}

void checkPassword(const std::string& login, const std::string& password) {
  if (const std::string code = archive::passwordRefusalCode(login, password); !code.empty())
    throw HttpError(400, archive::passwordRefusal(login, password), code, Json{{"field", "password"}});
}

// The archive's refusals of what was typed, at the field they concern.
template <typename F>
auto refusedAtField(F&& change) {
  try {
    return change();
  } catch (const archive::ArchiveError& e) {
    if (e.code() == "login_invalid") throw HttpError(400, e.what(), e.code(), Json{{"field", "login"}});
    if (e.code() == "name_missing") throw HttpError(400, e.what(), e.code(), Json{{"field", "name"}});
    throw;
  }
}

bool activeAdmin(const Account& a) { return a.active && a.role == archive::Role::Admin; }

// Refused before anything changes, rather than halfway through the fields.
void keepAnAdmin(archive::Archive& archive, const Account& before, const Account& after) {
  if (!activeAdmin(before) || activeAdmin(after)) return;
  for (const Account& other : archive.accounts())
    if (other.login != before.login && activeAdmin(other)) return;
  throw HttpError(409, before.login + " is the last active admin: make another admin first", "last_admin");
}

}  // namespace

void addUserRoutes(Routes& routes, ServeContext& context) {
  routes.get("/api/users", [&context](const httplib::Request& request, httplib::Response& response) {
    for (const auto& [key, value] : request.params)
      throw HttpError(400, "unknown parameter \"" + key + "\"", "unknown_parameter", Json{{"field", key}});
    Json out = Json::array();
    for (const Account& a : context.withArchive([](archive::Archive& a) { return a.accounts(); }))
      out.push_back(accountJson(a));
    sendJson(response, out);
  });

  routes.post("/api/users", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    onlyFields(body, {"login", "name", "position", "role", "password", "reason"});
    Account account;
    account.login = requiredText(body, "login");
    account.name = requiredText(body, "name");
    account.position = checkedText(body, "position").value_or("");
    const std::optional<archive::Role> role = optionalRole(body);
    if (!role) throw HttpError(400, "\"role\" is missing", "missing", Json{{"field", "role"}});
    account.role = *role;
    const std::string password = requiredText(body, "password");
    checkTextLength("login", account.login);
    checkTextLength("name", account.name);
    checkTextLength("password", password);
    checkPassword(account.login, password);
    const std::optional<Account> added = refusedAtField([&] {
      return context.changeArchive([&](archive::Archive& a) {
        a.addAccount(account, password);
        return a.account(account.login);
      });
    });
    sendJson(response, accountJson(added.value_or(account)), 201);
  });

  routes.post(R"(/api/users/([A-Za-z0-9._\-]+))", [&context](const httplib::Request& request,
                                                             httplib::Response& response) {
    const std::string login = request.matches[1].str();
    const Json body = bodyObject(request);
    onlyFields(body, {"name", "position", "role", "active", "password", "reason"});
    archive::AccountChange change;
    change.name = checkedText(body, "name");
    change.position = checkedText(body, "position");
    change.role = optionalRole(body);
    const std::optional<bool> active =
        body.contains("active") && !body["active"].is_null() ? std::optional<bool>(optionalFlag(body, "active"))
                                                              : std::nullopt;
    const std::optional<std::string> password = checkedText(body, "password");
    if (password) checkPassword(login, *password);
    const Account after = refusedAtField([&] {
      return context.changeArchive([&](archive::Archive& a) {
        const std::optional<Account> before = a.account(login);
        if (!before) throw HttpError(404, "there is no account " + login, "no_account");
        Account planned = *before;
        planned.role = change.role.value_or(before->role);
        planned.active = active.value_or(before->active);
        keepAnAdmin(a, *before, planned);
        if (change.name || change.position || change.role) a.setAccount(login, change);
        if (password) a.setPassword(login, *password);
        if (active) a.setAccountActive(login, *active);
        return a.account(login).value_or(planned);
      });
    });
    if (!after.active) context.sessions.endLogin(login);
    else context.sessions.refresh(after);
    // Whoever knew the old password is signed out; the admin who set it
    // for their own account stays.
    if (password) context.sessions.endLogin(login, currentCaller().sessionKey);
    sendJson(response, accountJson(after));
  });
}

}  // namespace zel::serve
