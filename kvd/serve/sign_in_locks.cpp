#include "kvd/serve/sign_in_locks.h"

#include <algorithm>

namespace zel::serve {

namespace {

// Logins are ASCII letters, digits and ".-_"; anything typed counts the
// same in either case, and only so far as a login can reach.
constexpr std::size_t kKeyBytes = 100;

std::string loginKey(const std::string& login) {
  std::string key = login.substr(0, kKeyBytes);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

}  // namespace

void SignInLocks::forgetOld(SteadyTime now) {
  for (auto it = logins_.begin(); it != logins_.end();) {
    std::erase_if(it->second.times, [&](SteadyTime t) { return now - t >= kFailureWindow; });
    if (it->second.times.empty() && it->second.lockedUntil <= now) it = logins_.erase(it);
    else ++it;
  }
}

std::chrono::seconds SignInLocks::lockedFor(const std::string& login) {
  const SteadyTime now = now_();
  std::lock_guard lock(mutex_);
  const auto it = logins_.find(loginKey(login));
  if (it == logins_.end() || it->second.lockedUntil <= now) return std::chrono::seconds(0);
  return std::chrono::ceil<std::chrono::seconds>(it->second.lockedUntil - now);
}

bool SignInLocks::failed(const std::string& login) {
  const SteadyTime now = now_();
  std::lock_guard lock(mutex_);
  forgetOld(now);
  Failures& f = logins_[loginKey(login)];
  if (f.lockedUntil > now) return false;
  f.times.push_back(now);
  if (static_cast<int>(f.times.size()) < kFailuresToLock) return false;
  // The lock starts; the failures that made it are spent.
  f.times.clear();
  f.lockedUntil = now + kLockTime;
  return true;
}

void SignInLocks::succeeded(const std::string& login) {
  std::lock_guard lock(mutex_);
  logins_.erase(loginKey(login));
}

}  // namespace zel::serve
