// kvd archive check, backup and copy: whether the archive still holds what
// it was given, a checked backup of it in a new SQLite file, and the whole
// archive moved between SQLite and PostgreSQL. A backup or a copy is said
// done only once it has been checked like the archive itself.
#pragma once

#include <string>

#include "kvd/archive/check.h"
#include "kvd/commands/commands.h"

namespace zel::cli {

struct ArchiveCheckOptions {
  bool json = false;  // check
  std::string output;  // backup: the new file
  std::string to;      // copy: the location of a new or empty archive
};

// Exit 0 when the archive checks clean, 1 with its faults listed.
int runArchiveCheck(const std::string& location, const ArchiveCheckOptions& options, Streams& io);
int runArchiveBackup(const std::string& location, const ArchiveCheckOptions& options, Streams& io);
int runArchiveCopy(const std::string& location, const ArchiveCheckOptions& options, Streams& io);

// The report of a check as text: what was checked, with counts, then every
// fault listed with its row, then how many there are.
void writeCheckText(const archive::CheckReport& report, TextSink& out);
// The check's progress on the error stream, at a terminal only.
archive::CheckProgress checkProgress(Streams& io);

}  // namespace zel::cli
