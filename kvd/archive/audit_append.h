// Writing the audit trail from inside the archive: every change appends its
// entry in its own transaction, just before the commit.
#pragma once

#include <string>
#include <string_view>

#include "kvd/archive/audit.h"
#include "kvd/archive/database.h"

namespace zel::archive {

// UTC now, "YYYY-MM-DD hh:mm:ss", as the trail and the accounts keep their
// times: the trail of a lab whose PCs stand in different time zones still
// reads in order.
std::string utcNow();

// Appends one entry for `actor` in the transaction that is open on `db`.
// Entries are chained, so appends take their turn: on PostgreSQL a
// transaction-scoped lock is held from here to the commit (kept short by
// appending last), on SQLite the write transaction is one at a time anyway.
void appendAudit(Database& db, const Actor& actor, std::string_view action, const std::string& target,
                 const std::string& before, const std::string& after);

}  // namespace zel::archive
