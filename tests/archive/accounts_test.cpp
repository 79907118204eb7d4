// The lab's accounts, the same suite on SQLite and PostgreSQL: sign-in by
// the own password of an active account only, which passwords and logins
// will do, nothing of a password in the database but its Argon2id hash, the
// last active admin kept, refusals that change nothing, and one audit entry
// for every change that shows neither password nor hash.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <functional>

#include "kvd/archive/archive.h"
#include "tests/archive/backend_fixture.h"
#include "tests/cli/program_run.h"

namespace zel::archive::test {

namespace {

using Json = nlohmann::json;

Account person(const std::string& login, Role role, const std::string& name, const std::string& position = "") {
  Account a;
  a.login = login;
  a.name = name;
  a.position = position;
  a.role = role;
  return a;
}

AccountChange newRole(Role role) {
  AccountChange c;
  c.role = role;
  return c;
}

class Accounts : public BackendTest {
 protected:
  Archive& archive() {
    if (!archive_) archive_ = std::make_unique<Archive>(freshDatabase());
    return *archive_;
  }
  std::vector<AuditEntry> trail() { return archive().auditLog({}); }

  // The code of the refusal of `change`, and that it changed nothing.
  std::string refusal(const std::function<void()>& change) {
    const std::size_t entries = trail().size();
    const std::vector<std::string> accountsBefore = summary();
    std::string code = "(none)";
    try {
      change();
    } catch (const ArchiveError& e) {
      code = e.code();
      message = e.what();
    }
    EXPECT_EQ(trail().size(), entries);
    EXPECT_EQ(summary(), accountsBefore);
    return code;
  }

  std::vector<std::string> summary() {
    std::vector<std::string> out;
    for (const Account& a : archive().accounts())
      out.push_back(a.login + " " + roleName(a.role) + " " + a.name + " " + a.position + (a.active ? "" : " off"));
    return out;
  }

  // Every text of every row of a table.
  std::string everyText(const std::string& table) {
    std::string all;
    archive().database().run("SELECT * FROM " + table, {}, [&](const Row& row) {
      for (int k = 0; k < row.size(); ++k) all += row.text(k) + "\n";
    });
    return all;
  }

  std::string message;
  std::unique_ptr<Archive> archive_;
};

TEST_P(Accounts, SignInTakesOnlyTheOwnPasswordOfAnActiveAccount) {
  Archive& a = archive();
  a.addAccount(person("anna", Role::Admin, "Анна Петрова", "chemist"), kAnnaPassword);
  a.addAccount(person("boris", Role::Operator, "Boris Ivanov"), kBorisPassword);

  const std::optional<Account> anna = a.signIn("anna", kAnnaPassword);
  ASSERT_TRUE(anna);
  EXPECT_EQ(anna->name, "Анна Петрова");
  EXPECT_EQ(anna->position, "chemist");
  EXPECT_EQ(anna->role, Role::Admin);
  EXPECT_TRUE(anna->active);
  // "YYYY-MM-DD hh:mm:ss"
  const std::string form = "0000-00-00 00:00:00";
  ASSERT_EQ(anna->createdAt.size(), form.size()) << anna->createdAt;
  for (std::size_t k = 0; k < form.size(); ++k)
    EXPECT_EQ(form[k] == '0', std::isdigit(static_cast<unsigned char>(anna->createdAt[k])) != 0) << anna->createdAt;
  EXPECT_FALSE(a.signIn("anna", kBorisPassword));
  EXPECT_FALSE(a.signIn("Anna", kAnnaPassword));
  EXPECT_FALSE(a.signIn("nobody", kAnnaPassword));

  a.setAccountActive("boris", false);
  EXPECT_FALSE(a.signIn("boris", kBorisPassword));
  a.setAccountActive("boris", true);
  const std::optional<Account> boris = a.signIn("boris", kBorisPassword);
  ASSERT_TRUE(boris);
  EXPECT_EQ(boris->role, Role::Operator);
  EXPECT_EQ(boris->position, "");
}

TEST(AccountRules, WhichPasswordsAndLoginsWillDo) {
  struct Case {
    const char* login;
    const char* password;
    const char* code;
  };
  const Case passwords[] = {
      {"anna", "", "password_short"},
      {"anna", "123456789", "password_short"},
      {"anna", "1234567890", ""},
      {"anna", "абвгдежзи", "password_short"},  // nine letters, eighteen bytes
      {"anna", "абвгдежзий", ""},               // ten letters
      {"annabelle1", "annabelle1", "password_is_login"},
      {"annabelle1", "AnnaBelle1", "password_is_login"},
      {"annabelle1", "annabelle12", ""},
  };
  for (const Case& c : passwords) {
    SCOPED_TRACE(std::string(c.login) + " / " + c.password);
    EXPECT_EQ(passwordRefusalCode(c.login, c.password), c.code);
    EXPECT_EQ(passwordRefusal(c.login, c.password).empty(), std::string(c.code).empty());
  }
  const std::pair<std::string, bool> logins[] = {
      {"anna", true},          {"A.Petrova_2-lab", true}, {std::string(64, 'a'), true}, {"", false},
      {std::string(65, 'a'), false}, {"anna petrova", false},   {"анна", false},            {"anna;--", false},
      {"anna@lab", false},
  };
  for (const auto& [login, valid] : logins) EXPECT_EQ(validLogin(login), valid) << login;
  for (const Role role : {Role::Viewer, Role::Operator, Role::Approver, Role::Admin})
    EXPECT_EQ(roleFromName(roleName(role)), role);
  EXPECT_FALSE(roleFromName("Admin"));
}

TEST_P(Accounts, OnlyAnArgon2idHashOfThePasswordIsKept) {
  Archive& a = archive();
  a.addAccount(person("anna", Role::Admin, "Anna"), kAnnaPassword);
  const std::string secondPassword = "второй пароль Анны";
  a.setPassword("anna", secondPassword);
  std::string hash;
  a.database().run("SELECT password_hash FROM accounts", {}, [&](const Row& row) { hash = row.text(0); });
  EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
  EXPECT_TRUE(passwordMatches(hash, secondPassword));
  for (const std::string& password : {kAnnaPassword, secondPassword}) {
    EXPECT_EQ(everyText("accounts").find(password), std::string::npos);
    EXPECT_EQ(everyText("audit_log").find(password), std::string::npos);
    if (postgres()) continue;
    // Every byte SQLite wrote: the file and its write-ahead log.
    const std::string bytes = zel::test::readFile(location()) + zel::test::readFile(location() + "-wal");
    EXPECT_EQ(bytes.find(password), std::string::npos);
  }
}

TEST_P(Accounts, TheLastActiveAdminStays) {
  Archive& a = archive();
  // Before there is an admin there is none to keep.
  a.addAccount(person("olga", Role::Operator, "Olga"), kBorisPassword);
  a.setAccountActive("olga", false);
  EXPECT_FALSE(a.hasActiveAdmin());

  a.addAccount(person("anna", Role::Admin, "Anna"), kAnnaPassword);
  EXPECT_TRUE(a.hasActiveAdmin());
  EXPECT_EQ(refusal([&] { a.setAccount("anna", newRole(Role::Approver)); }), "last_admin");
  EXPECT_EQ(message, "anna is the last active admin: make another admin first");
  EXPECT_EQ(refusal([&] { a.setAccountActive("anna", false); }), "last_admin");

  a.addAccount(person("boris", Role::Admin, "Boris"), kBorisPassword);
  a.setAccount("anna", newRole(Role::Viewer));
  EXPECT_EQ(refusal([&] { a.setAccountActive("boris", false); }), "last_admin");
  EXPECT_EQ(refusal([&] { a.setAccount("boris", newRole(Role::Operator)); }), "last_admin");
  // A change that keeps boris an active admin is no concern of the rule.
  AccountChange renamed;
  renamed.name = "Boris Ivanov";
  a.setAccount("boris", renamed);
  EXPECT_EQ(a.account("boris")->name, "Boris Ivanov");
  EXPECT_TRUE(a.hasActiveAdmin());
}

TEST_P(Accounts, RefusalsSayWhyAndChangeNothing) {
  Archive& a = archive();
  a.addAccount(person("anna", Role::Admin, "Anna"), kAnnaPassword);
  AccountChange noName;
  noName.name = " ";
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* code;
    const char* message;
  };
  const Case cases[] = {
      {"login with a space", [&] { a.addAccount(person("a b", Role::Viewer, "A"), kBorisPassword); }, "login_invalid",
       "\"a b\" is no login: 1 to 64 letters A-Z, digits, '.', '_' or '-'"},
      {"no login", [&] { a.addAccount(person("", Role::Viewer, "A"), kBorisPassword); }, "login_invalid", nullptr},
      {"taken", [&] { a.addAccount(person("anna", Role::Viewer, "A"), kBorisPassword); }, "login_taken",
       "the login anna is taken"},
      {"taken in other letter case", [&] { a.addAccount(person("ANNA", Role::Viewer, "A"), kBorisPassword); },
       "login_taken", "the login ANNA is taken"},
      {"blank name", [&] { a.addAccount(person("boris", Role::Viewer, "  "), kBorisPassword); }, "name_missing",
       nullptr},
      {"short password", [&] { a.addAccount(person("boris", Role::Viewer, "B"), "short"); }, "password_short",
       "a password needs at least 10 characters"},
      {"login as password", [&] { a.addAccount(person("boris12345", Role::Viewer, "B"), "BORIS12345"); },
       "password_is_login", "a password must not be the login"},
      {"set unknown", [&] { a.setAccount("nobody", newRole(Role::Admin)); }, "no_account", "there is no account nobody"},
      {"set blank name", [&] { a.setAccount("anna", noName); }, "name_missing", nullptr},
      {"passwd unknown", [&] { a.setPassword("nobody", kBorisPassword); }, "no_account", nullptr},
      {"passwd short", [&] { a.setPassword("anna", "ann"); }, "password_short", nullptr},
      {"disable unknown", [&] { a.setAccountActive("nobody", false); }, "no_account", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    message.clear();
    EXPECT_EQ(refusal(c.change), c.code);
    if (c.message) {
      EXPECT_EQ(message, c.message);
    }
  }
  EXPECT_TRUE(a.signIn("anna", kAnnaPassword));
}

TEST_P(Accounts, EachChangeWritesItsAuditEntryWithoutPasswordOrHash) {
  Archive& a = archive();
  a.setActor({"admin@lab-pc", "new colleague"});
  a.addAccount(person("anna", Role::Operator, "Анна Петрова", "chemist"), kAnnaPassword);
  a.setActor({"admin@lab-pc", ""});
  AccountChange promoted;
  promoted.role = Role::Approver;
  promoted.position = "head of lab";
  a.setAccount("anna", promoted);
  a.setAccount("anna", promoted);  // nothing changes: no entry
  const std::string secondPassword = "второй пароль Анны";
  a.setPassword("anna", secondPassword);
  a.setAccountActive("anna", false);
  a.setAccountActive("anna", false);  // no entry either
  a.setAccountActive("anna", true);

  auto shown = [](const char* role, const char* position, bool active) {
    return Json{{"login", "anna"}, {"name", "Анна Петрова"}, {"position", position}, {"role", role}, {"active", active}}
        .dump();
  };
  const std::string operatorAnna = shown("operator", "chemist", true);
  const std::string approver = shown("approver", "head of lab", true);
  const std::string disabled = shown("approver", "head of lab", false);
  struct Expected {
    const char* action;
    std::string before;
    std::string after;
  };
  const Expected expected[] = {
      {"user.add", "", operatorAnna},        {"user.set", operatorAnna, approver}, {"user.passwd", approver, approver},
      {"user.disable", approver, disabled}, {"user.enable", disabled, approver},
  };
  const std::vector<AuditEntry> entries = trail();
  ASSERT_EQ(entries.size(), std::size(expected));
  std::string hash;
  a.database().run("SELECT password_hash FROM accounts", {}, [&](const Row& row) { hash = row.text(0); });
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const AuditEntry& e = entries[k];
    SCOPED_TRACE(e.action);
    EXPECT_EQ(e.action, expected[k].action);
    EXPECT_EQ(e.target, "anna");
    EXPECT_EQ(e.who, "admin@lab-pc");
    EXPECT_EQ(e.reason, k == 0 ? "new colleague" : "");
    EXPECT_EQ(e.before.empty() ? "" : Json::parse(e.before).dump(), expected[k].before);
    EXPECT_EQ(Json::parse(e.after).dump(), expected[k].after);
    for (const std::string& secret : {kAnnaPassword, secondPassword, hash, std::string("$argon2")}) {
      EXPECT_EQ(e.before.find(secret), std::string::npos);
      EXPECT_EQ(e.after.find(secret), std::string::npos);
    }
  }
}

INSTANTIATE_BACKENDS(Accounts);

}  // namespace

}  // namespace zel::archive::test
