// kvd.exe has no libpq: Debian has none for Windows, so a lab's PostgreSQL
// archive is reached from kvd on Linux, and the Windows programs keep their
// archive in an SQLite file.
#include "kvd/archive/database.h"

namespace zel::archive {

std::unique_ptr<Database> openPostgres(const std::string&) {
  throw DatabaseError(DatabaseError::Kind::Other,
                      "this build of kvd reads SQLite archives only; use kvd on Linux for a PostgreSQL archive");
}

}  // namespace zel::archive
