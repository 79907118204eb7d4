// kvd archive log: the archive's audit trail, every change with who made
// it, when (UTC), to what, what it was before and after, and why.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "kvd/commands/commands.h"

namespace zel::cli {

struct ArchiveLogOptions {
  std::optional<std::string> object;  // the object, its points and placements
  std::optional<std::string> user;    // who: a login, or user@host
  std::string since;                  // a UTC date and time in kvd's date forms
  std::size_t limit = 0;              // the last N entries; 0: all
  bool json = false;
};

int runArchiveLog(const std::string& location, const ArchiveLogOptions& options, Streams& io);

}  // namespace zel::cli
