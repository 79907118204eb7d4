// The lab server's sign-in sessions, kept in memory only: a session ends
// after 30 minutes without a request, 12 hours after the sign-in, at the
// sign-out, or when its account is disabled; a restart of the server ends
// them all. The id the browser holds is 256 random bits; the server keeps
// only its SHA-256, so that a look at its memory gives no id to sign in with.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kvd/archive/accounts.h"

namespace zel::serve {

using SteadyTime = std::chrono::steady_clock::time_point;
// The clock of the sessions and the sign-in locks; tests set their own.
using Clock = std::function<SteadyTime()>;

inline constexpr std::chrono::minutes kSessionIdle{30};
inline constexpr std::chrono::hours kSessionLifetime{12};
// How often a session's account is read again (disabled, another role).
inline constexpr std::chrono::minutes kAccountRecheck{1};
// Sessions kept at most; beyond, the one used least recently ends.
inline constexpr std::size_t kMostSessions = 10000;

struct Session {
  std::string key;  // the SHA-256 of its id, lower-case hex
  archive::Account account;
  std::string csrf;
  bool accountDue = false;  // the account should be read again
};

class SessionStore {
 public:
  explicit SessionStore(const Clock& now) : now_(now) {}

  struct Started {
    std::string id;  // for the cookie; the store keeps its hash alone
    Session session;
  };
  Started start(const archive::Account& account);
  // The session of this id, its use noted; none when it is unknown or has
  // expired (and is then forgotten).
  std::optional<Session> find(const std::string& id);
  void end(const std::string& key);
  // Every session of the login but the one of `exceptKey`.
  void endLogin(const std::string& login, const std::string& exceptKey = {});
  // The account as it is now, for the sessions of its login.
  void refresh(const archive::Account& account);
  std::size_t size();

 private:
  struct Entry {
    Session session;
    SteadyTime started, lastUsed, accountRead;
  };
  bool expired(const Entry& entry, SteadyTime now) const;

  const Clock& now_;
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace zel::serve
