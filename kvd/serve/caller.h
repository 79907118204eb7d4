// Who makes the request in hand: on the lab server the person signed in,
// on the personal server the person at this computer. The checks before
// the routes find the caller; the route's wrapper adds the request's
// reason; a change of the archive is then made and audited in the caller's
// name (ServeContext::changeArchive).
#pragma once

#include <optional>
#include <string>

#include "kvd/archive/accounts.h"
#include "kvd/archive/audit.h"

namespace httplib {
struct Request;
}

namespace zel::serve {

struct Caller {
  bool lab = false;
  std::optional<archive::Account> person;  // lab: signed in, else none
  std::string sessionKey;                  // lab: the session's key
  std::string csrf;                        // lab: the session's CSRF token
  std::string reason;                      // the request's "reason", if it gives one
};

// The caller of the request this thread answers. cpp-httplib runs a
// request's checks and its route on one thread, one after the other; the
// checks set it anew for every request.
Caller& currentCaller();

// What the caller may do: the person's role, or everything at this
// computer.
archive::Role callerRole(const Caller& caller);

// The actor of the archive's changes for this request: the login signed in
// (lab) or `desk` (the user and host at this computer), with the reason.
archive::Actor requestActor(const Caller& caller, const archive::Actor& desk);

// The "reason" of a POST: the JSON body's text, or the form's field of an
// upload; empty when none is given. 400 when it is no text or too long.
std::string requestReason(const httplib::Request& request);

}  // namespace zel::serve
