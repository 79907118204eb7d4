// The parts of `kvd archive check` (check.h), one function each, run in
// turn inside one read snapshot of the database.
#pragma once

#include "kvd/archive/check.h"
#include "kvd/archive/database.h"

namespace zel::archive::check {

// SQLite's own check of its file and of the foreign keys it declares.
void databaseIntegrity(Database& db, CheckReport& report, const CheckProgress& progress);
// The links that no foreign key keeps (an import writes too many rows for
// a check per row): sightings to their imports and records, records to the
// import they were first seen in.
void links(Database& db, CheckReport& report, const CheckProgress& progress);
// Every record's bytes against their digest, and its columns against the
// bytes decoded again.
void records(Database& db, CheckReport& report, const CheckProgress& progress);
// The audit trail's chain: ids 1 … n, each entry's hash of its content and
// of the one before.
void auditTrail(Database& db, CheckReport& report, const CheckProgress& progress);
// Every issued protocol's page against its digest, and the records it used
// against theirs.
void protocols(Database& db, CheckReport& report, const CheckProgress& progress);

}  // namespace zel::archive::check
