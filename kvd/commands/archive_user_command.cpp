// kvd archive user add|passwd|set|disable|enable, users: the accounts of the
// lab server, kept in the archive. Every change goes to the audit trail
// with the --reason given; a password is never shown, written or logged.
#include "kvd/commands/archive_user_command.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kLoginForm = "a login is 1 to 64 letters A-Z, digits, '.', '_' or '-'";

int loginUsage(const std::string& login, const std::string& command, Streams& io) {
  return usageError(io, "\"" + login + "\" is no login: " + kLoginForm, archiveUsage(command));
}

bool blank(const std::optional<std::string>& text) {
  return text && text->find_first_not_of(" \t") == std::string::npos;
}

std::optional<archive::Account> knownAccount(archive::Archive& archive, const std::string& login, Streams& io) {
  std::optional<archive::Account> account = archive.account(login);
  if (!account) io.err.write("kvd: the archive has no account " + login + " (kvd archive users lists them)\n");
  return account;
}

// The new password of `login`: typed twice at a terminal, unseen; else the
// first line of standard input (its CR LF or LF taken off), so that a
// script can give it. Checked at once, before anything is changed; none
// when it is missing, mistyped or refused, said on the error stream.
std::optional<std::string> newPassword(const std::string& login, Streams& io) {
  auto fail = [&](const std::string& why) {
    io.err.write("kvd: " + why + "; nothing changed\n");
    return std::optional<std::string>();
  };
  io.err.flush();
  const bool terminal = platform::isTerminal(stdin);
  std::string password;
  if (!terminal) {
    if (!std::getline(std::cin, password)) return fail("no password on standard input");
    if (!password.empty() && password.back() == '\r') password.pop_back();
  } else if (!platform::readHiddenLine("Password for " + login + ": ", password)) {
    return fail("no password typed");
  }
  const std::string refusal = archive::passwordRefusal(login, password);
  if (!refusal.empty()) return fail(refusal);
  std::string again;
  if (terminal && (!platform::readHiddenLine("Again: ", again) || again != password))
    return fail("the two passwords differ");
  return password;
}

std::string accountLine(const archive::Account& a) {
  std::string s = a.login + ": " + archive::roleName(a.role) + ", " + a.name;
  if (!a.position.empty()) s += " (" + a.position + ")";
  s += ", created " + a.createdAt + " UTC";
  if (!a.active) s += ", disabled";
  return s + "\n";
}

}  // namespace

int runArchiveUserAdd(const std::string& location, const ArchiveUserOptions& options, Streams& io) {
  if (!archive::validLogin(options.login)) return loginUsage(options.login, "user add", io);
  if (!options.name || blank(options.name))
    return usageError(io, "--name: the person's full name, as it signs", archiveUsage("user add"));
  return withArchive(location, true, io, [&](archive::Archive& archive) {
    if (archive.account(options.login)) {
      io.err.write("kvd: the login " + options.login + " is taken (kvd archive user set changes its account)\n");
      return kExitFailed;
    }
    const std::optional<std::string> password = newPassword(options.login, io);
    if (!password) return kExitFailed;
    archive::Account account;
    account.login = options.login;
    account.name = *options.name;
    account.position = options.position.value_or("");
    account.role = archive::roleFromName(options.role.value_or("")).value_or(archive::Role::Viewer);
    archive.addAccount(account, *password);
    io.out.write("Account " + account.login + " added: " + archive::roleName(account.role) + ", " + account.name +
                 "\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveUserPasswd(const std::string& location, const ArchiveUserOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!knownAccount(archive, options.login, io)) return kExitFailed;
    const std::optional<std::string> password = newPassword(options.login, io);
    if (!password) return kExitFailed;
    archive.setPassword(options.login, *password);
    io.out.write("Password of " + options.login + " changed\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveUserSet(const std::string& location, const ArchiveUserOptions& options, Streams& io) {
  if (!options.role && !options.name && !options.position)
    return usageError(io, "nothing to change: give --role, --name or --position", archiveUsage("user set"));
  if (blank(options.name))
    return usageError(io, "--name: the person's full name, as it signs", archiveUsage("user set"));
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!knownAccount(archive, options.login, io)) return kExitFailed;
    archive::AccountChange change;
    if (options.role) change.role = archive::roleFromName(*options.role);
    change.name = options.name;
    change.position = options.position;
    archive.setAccount(options.login, change);
    io.out.write("Account " + options.login + " changed\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveUserActive(const std::string& location, const ArchiveUserOptions& options, bool active, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::optional<archive::Account> account = knownAccount(archive, options.login, io);
    if (!account) return kExitFailed;
    const std::string state = active ? "enabled" : "disabled";
    if (account->active == active) {
      io.out.write("Account " + options.login + " is " + state + " already\n");
      return kExitOk;
    }
    archive.setAccountActive(options.login, active);
    io.out.write("Account " + options.login + " " + state + "\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveUsers(const std::string& location, const ArchiveUserOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::vector<archive::Account> accounts = archive.accounts();
    if (options.json) {
      Json out = Json::array();
      for (const archive::Account& a : accounts)
        out.push_back(Json{{"login", a.login},
                           {"name", a.name},
                           {"position", a.position},
                           {"role", archive::roleName(a.role)},
                           {"active", a.active},
                           {"created", a.createdAt}});
      io.out.write(jsonText(out));
      return kExitOk;
    }
    if (accounts.empty()) io.out.write("No accounts yet (kvd archive user add LOGIN --role admin --name \"FULL NAME\").\n");
    std::string s;
    for (const archive::Account& a : accounts) s += accountLine(a);
    io.out.write(s);
    return kExitOk;
  });
}

}  // namespace zel::cli
