// Roles by name, which passwords will do, and their hashes through
// libsodium: Argon2id at its interactive cost, the hash string holding its
// own salt and parameters, so that a later kvd with a higher cost still
// checks the hashes written before.
#include "kvd/archive/accounts.h"

#include <sodium.h>

#include <algorithm>
#include <cstddef>

#include "kvd/archive/archive.h"

namespace zel::archive {

namespace {

constexpr std::size_t kPasswordMinimum = 10;
constexpr std::size_t kLoginMaximum = 64;

constexpr const char* kRoleNames[] = {"viewer", "operator", "approver", "admin"};

// sodium_init is safe to call from several threads and more than once; the
// static makes it once per process all the same.
void startSodium() {
  static const bool started = sodium_init() >= 0;
  if (!started) throw ArchiveError("the password library could not start");
}

// UTF-8 characters: every byte but the continuation bytes 10xxxxxx starts one.
std::size_t characters(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (asciiLower(a[k]) != asciiLower(b[k])) return false;
  return true;
}

}  // namespace

const char* roleName(Role role) { return kRoleNames[static_cast<int>(role)]; }

std::optional<Role> roleFromName(const std::string& name) {
  for (int k = 0; k < 4; ++k)
    if (name == kRoleNames[k]) return static_cast<Role>(k);
  return std::nullopt;
}

bool validLogin(const std::string& login) {
  if (login.empty() || login.size() > kLoginMaximum) return false;
  return std::all_of(login.begin(), login.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
  });
}

std::string passwordRefusalCode(const std::string& login, const std::string& password) {
  if (characters(password) < kPasswordMinimum) return "password_short";
  if (sameIgnoringAsciiCase(password, login)) return "password_is_login";
  return {};
}

std::string passwordRefusal(const std::string& login, const std::string& password) {
  const std::string code = passwordRefusalCode(login, password);
  if (code == "password_short")
    return "a password needs at least " + std::to_string(kPasswordMinimum) + " characters";
  if (code == "password_is_login") return "a password must not be the login";
  return {};
}

std::string passwordHash(const std::string& password) {
  startSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw ArchiveError("not enough memory to hash the password");
  return hash;
}

bool passwordMatches(const std::string& hash, const std::string& password) {
  startSodium();
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace zel::archive
