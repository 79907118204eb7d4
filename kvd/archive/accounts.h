// The lab's accounts: who may sign in to the lab server, in which role, and
// under which name the audit trail shows them. A password is kept only as
// an Argon2id hash (libsodium's crypto_pwhash_str); an account is never
// deleted, only disabled, so that every login in the audit trail still
// names a person.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zel::archive {

class Archive;

// Each role may do what the one before it may, and more:
// viewer reads, exports and prints; operator also imports, edits objects,
// instruments and placements, assigns and unassigns; approver also issues
// protocols; admin also manages accounts and the lab's settings.
enum class Role { Viewer = 0, Operator = 1, Approver = 2, Admin = 3 };

// "viewer", "operator", "approver", "admin".
const char* roleName(Role role);
std::optional<Role> roleFromName(const std::string& name);
inline bool mayAct(Role have, Role needed) { return static_cast<int>(have) >= static_cast<int>(needed); }

// A login is 1 to 64 ASCII letters, digits, '.', '_' or '-': the same in
// every page, log and shell.
bool validLogin(const std::string& login);

struct Account {
  std::string login;
  std::string name;      // full name, as it signs
  std::string position;
  Role role = Role::Viewer;
  bool active = true;
  std::string createdAt;  // "YYYY-MM-DD hh:mm:ss" UTC
};

// What `user set` changes: only the fields given.
struct AccountChange {
  std::optional<Role> role;
  std::optional<std::string> name;
  std::optional<std::string> position;
};

// Why a password is refused (fewer than 10 characters, or the login
// itself), empty when it will do. Characters, not bytes: a Russian
// password of ten letters will do.
std::string passwordRefusal(const std::string& login, const std::string& password);
// The same refusal as a code, for a program that words it in its own
// language: "password_short" or "password_is_login"; empty when it will do.
std::string passwordRefusalCode(const std::string& login, const std::string& password);

// A slow hash of the password (Argon2id), and its check. The check of a
// login that has no account runs against a hash of the same cost, so that
// a wrong login and a wrong password take the same time.
std::string passwordHash(const std::string& password);
bool passwordMatches(const std::string& hash, const std::string& password);

}  // namespace zel::archive
