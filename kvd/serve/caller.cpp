#include "kvd/serve/caller.h"

#include <httplib.h>

#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

Caller& currentCaller() {
  thread_local Caller caller;
  return caller;
}

archive::Role callerRole(const Caller& caller) {
  if (!caller.lab) return archive::Role::Admin;
  return caller.person ? caller.person->role : archive::Role::Viewer;
}

archive::Actor requestActor(const Caller& caller, const archive::Actor& desk) {
  archive::Actor actor = desk;
  if (caller.lab) actor.who = caller.person ? caller.person->login : std::string();
  actor.reason = caller.reason;
  return actor;
}

std::string requestReason(const httplib::Request& request) {
  if (request.method != "POST") return {};
  std::string reason;
  if (request.is_multipart_form_data()) {
    if (request.has_file("reason")) reason = request.get_file_value("reason").content;
  } else {
    const Json body = Json::parse(request.body, nullptr, false);
    if (body.is_object()) reason = optionalText(body, "reason").value_or("");
  }
  checkTextLength("reason", reason);
  return reason;
}

}  // namespace zel::serve
