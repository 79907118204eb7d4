// kvd archive user add|passwd|set|disable|enable and kvd archive users: the
// accounts of the lab server. A new password is typed twice at a terminal,
// unseen, or given as the first line of standard input (a script's).
#pragma once

#include <optional>
#include <string>

#include "kvd/commands/commands.h"

namespace zel::cli {

struct ArchiveUserOptions {
  std::string login;
  std::optional<std::string> role;  // viewer, operator, approver, admin
  std::optional<std::string> name;
  std::optional<std::string> position;
  std::string reason;  // the audit trail's reason for the change
  bool json = false;   // users
};

int runArchiveUserAdd(const std::string& location, const ArchiveUserOptions& options, Streams& io);
int runArchiveUserPasswd(const std::string& location, const ArchiveUserOptions& options, Streams& io);
int runArchiveUserSet(const std::string& location, const ArchiveUserOptions& options, Streams& io);
// disable (`active` false) or enable
int runArchiveUserActive(const std::string& location, const ArchiveUserOptions& options, bool active, Streams& io);
int runArchiveUsers(const std::string& location, const ArchiveUserOptions& options, Streams& io);

}  // namespace zel::cli
