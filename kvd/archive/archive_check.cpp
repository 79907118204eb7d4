// The check of a whole archive: its parts in turn, in one read snapshot, so
// that an archive in use is checked as one moment left it; and the parts
// that ask the database (its own integrity, the links between tables) and
// follow the audit trail.
#include <algorithm>
#include <optional>

#include "kvd/archive/archive.h"
#include "kvd/archive/check_steps.h"

namespace zel::archive {

std::uint64_t CheckReport::count(std::string_view name) const {
  for (const CheckedPart& p : parts)
    if (p.name == name) return p.count;
  return 0;
}

bool CheckReport::has(std::string_view name) const {
  return std::any_of(parts.begin(), parts.end(), [&](const CheckedPart& p) { return p.name == name; });
}

CheckedPart& CheckReport::part(std::string_view name) {
  for (CheckedPart& p : parts)
    if (p.name == name) return p;
  return parts.emplace_back(CheckedPart{std::string(name), 0, 0});
}

void CheckReport::add(CheckFault fault) {
  CheckedPart& p = part(fault.part);
  if (++p.faults > kListedPerPart) {
    ++unlisted;
    return;
  }
  faults.push_back(std::move(fault));
}

namespace check {

namespace {

constexpr const char* kChainStart = "0000000000000000000000000000000000000000000000000000000000000000";

std::string count(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::uint64_t rowCount(Database& db, const char* sql) {
  std::uint64_t n = 0;
  db.run(sql, {}, [&](const Row& row) { n = static_cast<std::uint64_t>(row.integer(0)); });
  return n;
}

// "entry 7" or "entries 7 to 9": those between two ids that follow each other.
std::string missingEntries(std::int64_t after, std::int64_t before) {
  if (before - after == 2) return "entry " + std::to_string(after + 1);
  return "entries " + std::to_string(after + 1) + " to " + std::to_string(before - 1);
}

}  // namespace

void databaseIntegrity(Database& db, CheckReport& report, const CheckProgress&) {
  // PostgreSQL keeps its pages and its constraints itself, and has no
  // check of them to ask for.
  if (db.dialect() != Dialect::Sqlite) return;
  report.part("integrity").count = 1;
  db.run("PRAGMA integrity_check", {}, [&](const Row& row) {
    const std::string said = row.text(0);
    if (said != "ok") report.add({"integrity", "", 0, "the database file", said});
  });
  db.run("PRAGMA foreign_key_check", {}, [&](const Row& row) {
    const std::string table = row.text(0);
    const std::int64_t id = row.isNull(1) ? 0 : row.integer(1);
    report.add({"integrity", table, id, "table " + table + (id != 0 ? ", row " + std::to_string(id) : ""),
                "refers to a row of " + row.text(2) + " that is not there"});
  });
}

void links(Database& db, CheckReport& report, const CheckProgress&) {
  // Each query gives a row that is named but missing, and how many name it.
  struct Missing {
    const char* sql;
    const char* table;
    const char* noun;
    const char* one;
    const char* many;
  };
  static constexpr Missing kMissing[] = {
      {"SELECT s.import_id, CAST(sum(s.records) AS BIGINT) FROM sighting_runs s "
       "WHERE NOT EXISTS (SELECT 1 FROM imports i WHERE i.import_id = s.import_id) "
       "GROUP BY s.import_id ORDER BY s.import_id",
       "imports", "import", "sighting names it", "sightings name it"},
      {"SELECT r.first_import_id, count(*) FROM stored_records r "
       "WHERE NOT EXISTS (SELECT 1 FROM imports i WHERE i.import_id = r.first_import_id) "
       "GROUP BY r.first_import_id ORDER BY r.first_import_id",
       "imports", "import", "record was first seen in it", "records were first seen in it"},
      {"SELECT s.record_id, count(*) FROM sightings s "
       "WHERE NOT EXISTS (SELECT 1 FROM stored_records r WHERE r.record_id = s.record_id) "
       "GROUP BY s.record_id ORDER BY s.record_id",
       "stored_records", "record", "sighting names it", "sightings name it"},
  };
  report.part("links").count = rowCount(db, "SELECT CAST(coalesce(sum(records), 0) AS BIGINT) FROM sighting_runs");
  // A run longer than the archive makes them would hide its records from
  // the look-up of where a record came in.
  const Value bounds[] = {Value::of(kMaxSightingRun)};
  db.run("SELECT import_id, first_index, records FROM sighting_runs WHERE records < 1 OR records > $1 "
         "ORDER BY import_id, first_index",
         bounds, [&](const Row& row) {
           const std::int64_t id = row.integer(0);
           report.add({"links", "sighting_runs", id, "import " + std::to_string(id),
                       "has a run of " + std::to_string(row.integer(2)) + " sightings from index " +
                           std::to_string(row.integer(1)) + ", not 1 to " + std::to_string(kMaxSightingRun)});
         });
  for (const Missing& m : kMissing) {
    db.run(m.sql, {}, [&](const Row& row) {
      const std::int64_t id = row.integer(0);
      report.add({"links", m.table, id, std::string(m.noun) + " " + std::to_string(id),
                  "is not in the archive, yet " + count(row.integer(1), m.one, m.many)});
    });
  }
}

void auditTrail(Database& db, CheckReport& report, const CheckProgress&) {
  report.part("audit");
  // The entry before, when its own hash holds: the link of the next one is
  // judged against it. After an entry whose content was changed, whether
  // the next follows it says nothing more.
  struct Link {
    std::int64_t id;
    std::string hash;
    bool sound;
  };
  std::optional<Link> previous;
  db.run("SELECT entry_id, at, who, action, target, before_value, after_value, reason, previous_hash, hash "
         "FROM audit_log ORDER BY entry_id",
         {}, [&](const Row& row) {
           AuditEntry e;
           e.id = row.integer(0);
           e.at = row.text(1);
           e.who = row.text(2);
           e.action = row.text(3);
           e.target = row.text(4);
           e.before = row.text(5);
           e.after = row.text(6);
           e.reason = row.text(7);
           e.previousHash = row.text(8);
           e.hash = row.text(9);
           ++report.part("audit").count;
           std::vector<std::string> wrong;
           const bool sound = auditEntryHash(e) == e.hash;
           if (!sound) wrong.push_back("its hash does not match its content");
           const std::int64_t expected = previous ? previous->id + 1 : 1;
           if (e.id < 1) {
             wrong.push_back("is no entry of the trail, whose entries are numbered from 1");
           } else if (e.id != expected) {
             wrong.push_back(previous ? "does not follow entry " + std::to_string(previous->id) + " (" +
                                            missingEntries(previous->id, e.id) + " missing or moved)"
                                      : "is the first entry (" + missingEntries(0, e.id) + " missing or moved)");
           } else if (!previous && e.previousHash != kChainStart) {
             wrong.push_back("does not begin the chain: it names an entry before it");
           } else if (previous && previous->sound && e.previousHash != previous->hash) {
             wrong.push_back("does not follow entry " + std::to_string(previous->id) +
                             " (its link to that entry's hash is broken)");
           }
           if (!wrong.empty()) {
             std::string message;
             for (const std::string& w : wrong) message += (message.empty() ? "" : "; ") + w;
             report.add({"audit", "audit_log", e.id, "audit entry " + std::to_string(e.id), message});
           }
           previous = Link{e.id, e.hash, sound};
         });
}

}  // namespace check

namespace {

using Step = void (*)(Database&, CheckReport&, const CheckProgress&);

// The parts, in the order run. What else the archive comes to vouch for
// joins here as a step of its own.
constexpr Step kSteps[] = {check::databaseIntegrity, check::links, check::records, check::auditTrail,
                           check::protocols};

}  // namespace

CheckReport checkArchive(Archive& archive, const CheckProgress& progress) {
  Database& db = archive.database();
  CheckReport report;
  db.beginSnapshot();
  try {
    for (const Step step : kSteps) step(db, report, progress);
  } catch (...) {
    db.rollback();
    throw;
  }
  db.rollback();
  return report;
}

}  // namespace zel::archive
