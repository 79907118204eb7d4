// Failed sign-ins per login: five within 15 minutes lock the login for 15
// minutes, during which even the right password is refused. The count is
// kept in memory (a restart of the server forgets it) and by the login as
// typed, letter case aside, whether or not an account has it, so that the
// answer tells nothing of which logins exist.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kvd/serve/sessions.h"

namespace zel::serve {

inline constexpr int kFailuresToLock = 5;
inline constexpr std::chrono::minutes kFailureWindow{15};
inline constexpr std::chrono::minutes kLockTime{15};

class SignInLocks {
 public:
  explicit SignInLocks(const Clock& now) : now_(now) {}

  // How long the login stays locked; zero when it is not.
  std::chrono::seconds lockedFor(const std::string& login);
  // Notes a failed sign-in; true when it is the one that locks the login.
  bool failed(const std::string& login);
  // A sign-in that succeeded forgets the login's failures.
  void succeeded(const std::string& login);

 private:
  struct Failures {
    std::vector<SteadyTime> times;  // within the window
    SteadyTime lockedUntil{};
  };
  void forgetOld(SteadyTime now);

  const Clock& now_;
  std::mutex mutex_;
  std::map<std::string, Failures> logins_;
};

}  // namespace zel::serve
