// The lab's accounts in the archive. Each change is one transaction with its
// entry in the audit trail, which shows the account before and after it
// (login, name, position, role, active) and never a password or its hash.
// The lab keeps at least one active admin once it has one: a change that
// would leave it none is refused.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_append.h"
#include "kvd/archive/placing_sql.h"

namespace zel::archive {

namespace {

constexpr const char* kAccountColumns =
    "SELECT login, full_name, position, role, active, created_at, password_hash FROM accounts";

struct StoredAccount {
  Account account;
  std::string hash;
};

StoredAccount readAccount(const Row& row) {
  StoredAccount s;
  s.account.login = row.text(0);
  s.account.name = row.text(1);
  s.account.position = row.text(2);
  // A role this kvd does not know gives no more than reading.
  s.account.role = roleFromName(row.text(3)).value_or(Role::Viewer);
  s.account.active = row.integer(4) != 0;
  s.account.createdAt = row.text(5);
  s.hash = row.text(6);
  return s;
}

std::optional<StoredAccount> storedAccount(Database& db, const std::string& login) {
  std::optional<StoredAccount> out;
  const Value values[] = {Value::ofText(login)};
  db.run(std::string(kAccountColumns) + " WHERE login = $1", values, [&](const Row& row) { out = readAccount(row); });
  return out;
}

bool blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// The logins that differ from this one in letter case at most: two people
// are never told apart by it alone.
std::int64_t loginsAlike(Database& db, const std::string& login) {
  std::int64_t n = 0;
  const Value values[] = {Value::ofText(login)};
  db.run("SELECT count(*) FROM accounts WHERE lower(login) = lower($1)", values,
         [&](const Row& row) { n = row.integer(0); });
  return n;
}

ArchiveError loginTaken(const std::string& login) {
  return ArchiveError("the login " + login + " is taken", "login_taken");
}

ArchiveError noAccount(const std::string& login) {
  return ArchiveError("there is no account " + login, "no_account");
}

void checkPassword(const std::string& login, const std::string& password) {
  const std::string code = passwordRefusalCode(login, password);
  if (!code.empty()) throw ArchiveError(passwordRefusal(login, password), code);
}

void checkName(const std::string& name) {
  if (blank(name)) throw ArchiveError("an account needs the person's full name", "name_missing");
}

bool activeAdmin(const Account& a) { return a.active && a.role == Role::Admin; }

std::int64_t activeAdmins(Database& db) {
  std::int64_t n = 0;
  const Value values[] = {Value::ofText(roleName(Role::Admin))};
  db.run("SELECT count(*) FROM accounts WHERE role = $1 AND active = 1", values,
         [&](const Row& row) { n = row.integer(0); });
  return n;
}

// Called after the change and its audit entry: appendAudit holds the
// trail's lock until the commit, so a change of another admin made at the
// same time counts only once this one is committed, and the two cannot
// together leave the lab without an admin.
void keepAnAdmin(Database& db, const Account& before, const Account& after) {
  if (activeAdmin(before) && !activeAdmin(after) && activeAdmins(db) == 0)
    throw ArchiveError(before.login + " is the last active admin: make another admin first", "last_admin");
}

std::string accountJson(const Account& a) {
  const nlohmann::ordered_json j{{"login", a.login},
                                 {"name", a.name},
                                 {"position", a.position},
                                 {"role", roleName(a.role)},
                                 {"active", a.active}};
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A hash of the same cost as an account's, made once, for the sign-in of a
// login that has none: the check costs what a real one does.
const std::string& dummyHash() {
  static const std::string hash = passwordHash("no account signs in with this password");
  return hash;
}

}  // namespace

void Archive::addAccount(const Account& account, const std::string& password) {
  const std::string& login = account.login;
  if (!validLogin(login))
    throw ArchiveError("\"" + login + "\" is no login: 1 to 64 letters A-Z, digits, '.', '_' or '-'",
                       "login_invalid");
  checkName(account.name);
  checkPassword(login, password);
  if (loginsAlike(*db_, login) > 0) throw loginTaken(login);
  // The slow hash before the transaction, so that it holds no lock meanwhile.
  const std::string hash = passwordHash(password);
  Account added = account;
  added.active = true;
  added.createdAt = utcNow();
  try {
    inTransaction(*db_, [&] {
      const Value values[] = {Value::ofText(login),          Value::ofText(added.name),
                              Value::ofText(added.position), Value::ofText(roleName(added.role)),
                              Value::ofText(hash),           Value::ofText(added.createdAt)};
      db_->run("INSERT INTO accounts (login, full_name, position, role, password_hash, active, created_at) "
               "VALUES ($1, $2, $3, $4, $5, 1, $6)",
               values);
      appendAudit(*db_, actor_, "user.add", login, "", accountJson(added));
      // Counted again under the trail's lock: "Anna" and "anna" added at once.
      if (loginsAlike(*db_, login) > 1) throw loginTaken(login);
      return 0;
    });
  } catch (const DatabaseError& e) {
    if (e.kind() == DatabaseError::Kind::Constraint) throw loginTaken(login);
    throw;
  }
}

void Archive::setAccount(const std::string& login, const AccountChange& change) {
  if (change.name) checkName(*change.name);
  inTransaction(*db_, [&] {
    const std::optional<StoredAccount> stored = storedAccount(*db_, login);
    if (!stored) throw noAccount(login);
    const Account& before = stored->account;
    Account after = before;
    after.role = change.role.value_or(before.role);
    after.name = change.name.value_or(before.name);
    after.position = change.position.value_or(before.position);
    if (after.role == before.role && after.name == before.name && after.position == before.position) return 0;
    const Value values[] = {Value::ofText(after.name), Value::ofText(after.position),
                            Value::ofText(roleName(after.role)), Value::ofText(login)};
    db_->run("UPDATE accounts SET full_name = $1, position = $2, role = $3 WHERE login = $4", values);
    appendAudit(*db_, actor_, "user.set", login, accountJson(before), accountJson(after));
    keepAnAdmin(*db_, before, after);
    return 0;
  });
}

void Archive::setPassword(const std::string& login, const std::string& password) {
  checkPassword(login, password);
  if (!account(login)) throw noAccount(login);
  const std::string hash = passwordHash(password);
  inTransaction(*db_, [&] {
    const std::optional<StoredAccount> stored = storedAccount(*db_, login);
    if (!stored) throw noAccount(login);
    const Value values[] = {Value::ofText(hash), Value::ofText(login)};
    db_->run("UPDATE accounts SET password_hash = $1 WHERE login = $2", values);
    // The account as it stands, before and after alike: what changed is
    // the password, which the trail never shows.
    const std::string shown = accountJson(stored->account);
    appendAudit(*db_, actor_, "user.passwd", login, shown, shown);
    return 0;
  });
}

void Archive::setAccountActive(const std::string& login, bool active) {
  inTransaction(*db_, [&] {
    const std::optional<StoredAccount> stored = storedAccount(*db_, login);
    if (!stored) throw noAccount(login);
    const Account& before = stored->account;
    if (before.active == active) return 0;
    Account after = before;
    after.active = active;
    const Value values[] = {Value::of(active ? 1 : 0), Value::ofText(login)};
    db_->run("UPDATE accounts SET active = $1 WHERE login = $2", values);
    appendAudit(*db_, actor_, active ? "user.enable" : "user.disable", login, accountJson(before),
                accountJson(after));
    keepAnAdmin(*db_, before, after);
    return 0;
  });
}

std::vector<Account> Archive::accounts() {
  std::vector<Account> out;
  db_->run(kAccountColumns, {}, [&](const Row& row) { out.push_back(readAccount(row).account); });
  // Byte order, the same in both databases whatever their collations.
  std::sort(out.begin(), out.end(), [](const Account& a, const Account& b) { return a.login < b.login; });
  return out;
}

std::optional<Account> Archive::account(const std::string& login) {
  const std::optional<StoredAccount> stored = storedAccount(*db_, login);
  if (!stored) return std::nullopt;
  return stored->account;
}

std::optional<Account> Archive::signIn(const std::string& login, const std::string& password) {
  // Made on the first sign-in, whoever it is for, so that no later one pays
  // for it.
  const std::string& dummy = dummyHash();
  const std::optional<StoredAccount> stored = storedAccount(*db_, login);
  if (!stored || !stored->account.active) {
    passwordMatches(dummy, password);
    return std::nullopt;
  }
  if (!passwordMatches(stored->hash, password)) return std::nullopt;
  return stored->account;
}

bool Archive::hasActiveAdmin() { return activeAdmins(*db_) > 0; }

}  // namespace zel::archive
