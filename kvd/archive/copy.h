// A whole archive copied: into a backup file, or between SQLite and
// PostgreSQL. Every table keeps its rows with the same ids, and the audit
// trail its chain as it is, so that the copy is the same archive with the
// same history, and checks (check.h) as the original does.
#pragma once

#include <cstdint>
#include <filesystem>

namespace zel::archive {

class Archive;

struct CopyCounts {
  std::uint64_t records = 0;
  std::uint64_t auditEntries = 0;
  std::uint64_t rows = 0;  // of every table
};

// Copies every table of `source`, read in one snapshot while others may go
// on using it, into `target` in one transaction. Refused with ArchiveError,
// nothing changed, when the target holds any row (code "not_empty"), or
// when the source holds a table, or a column, that this kvd does not know.
CopyCounts copyArchive(Archive& source, Archive& target);

// A consistent backup of `source` into `file`, a new or empty file, as one
// moment left it: SQLite's online backup of an SQLite archive, a copy into
// a new SQLite archive of a PostgreSQL one.
void backupArchive(Archive& source, const std::filesystem::path& file);

}  // namespace zel::archive
