#include "kvd/serve/sessions.h"

#include <openssl/rand.h>

#include <algorithm>
#include <stdexcept>

#include "kvd/archive/sha256.h"
#include "kvd/serve/guards.h"

namespace zel::serve {

namespace {

constexpr std::size_t kSecretBytes = 32;

std::string randomSecret() {
  unsigned char bytes[kSecretBytes];
  if (RAND_bytes(bytes, sizeof bytes) != 1) throw std::runtime_error("OpenSSL gives no random bytes");
  return archive::hexText(bytes, sizeof bytes);
}

std::string sessionKey(const std::string& id) {
  const archive::Digest digest = archive::sha256(reinterpret_cast<const std::uint8_t*>(id.data()), id.size());
  return archive::hexText(digest.data(), digest.size());
}

}  // namespace

bool SessionStore::expired(const Entry& entry, SteadyTime now) const {
  return now - entry.lastUsed >= kSessionIdle || now - entry.started >= kSessionLifetime;
}

SessionStore::Started SessionStore::start(const archive::Account& account) {
  Started out{randomSecret(), Session{}};
  out.session.key = sessionKey(out.id);
  out.session.account = account;
  out.session.csrf = randomSecret();
  const SteadyTime now = now_();
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return expired(e, now); });
  if (entries_.size() >= kMostSessions) {
    const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                         [](const Entry& a, const Entry& b) { return a.lastUsed < b.lastUsed; });
    entries_.erase(oldest);
  }
  entries_.push_back(Entry{out.session, now, now, now});
  return out;
}

std::optional<Session> SessionStore::find(const std::string& id) {
  if (id.empty()) return std::nullopt;
  const std::string key = sessionKey(id);
  const SteadyTime now = now_();
  std::lock_guard lock(mutex_);
  // Every key is compared, each in constant time: how long the search
  // takes says nothing of which key came close.
  Entry* found = nullptr;
  for (Entry& e : entries_)
    if (constantTimeEqual(e.session.key, key)) found = &e;
  if (found == nullptr) return std::nullopt;
  if (expired(*found, now)) {
    std::erase_if(entries_, [&](const Entry& e) { return e.session.key == key; });
    return std::nullopt;
  }
  found->lastUsed = now;
  Session out = found->session;
  out.accountDue = now - found->accountRead >= kAccountRecheck;
  return out;
}

void SessionStore::end(const std::string& key) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.session.key == key; });
}

void SessionStore::endLogin(const std::string& login, const std::string& exceptKey) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_,
                [&](const Entry& e) { return e.session.account.login == login && e.session.key != exceptKey; });
}

void SessionStore::refresh(const archive::Account& account) {
  const SteadyTime now = now_();
  std::lock_guard lock(mutex_);
  for (Entry& e : entries_)
    if (e.session.account.login == account.login) {
      e.session.account = account;
      e.accountRead = now;
    }
}

std::size_t SessionStore::size() {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace zel::serve
