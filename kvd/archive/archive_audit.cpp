// The audit trail: appending an entry in the transaction of its change, and
// reading the entries back. The chain decides the order: an entry's id is
// the last one's plus one and its hash covers the last one's hash, so two
// changers must never read the same last entry; the write lock (SQLite) or a
// lock of the trail's own (PostgreSQL) makes them take turns.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_append.h"
#include "kvd/archive/placing_sql.h"
#include "kvd/archive/selection_sql.h"

namespace zel::archive {

namespace {

// The key of the trail's transaction-scoped lock on PostgreSQL: one of its
// own, so that appends never wait for a schema upgrade's lock or it for them.
constexpr std::int64_t kAuditLockKey = 6880689;

constexpr const char* kGenesisHash = "0000000000000000000000000000000000000000000000000000000000000000";

constexpr const char* kEntryColumns =
    "SELECT entry_id, at, who, action, target, before_value, after_value, reason, previous_hash, hash FROM audit_log";

AuditEntry readEntry(const Row& row) {
  return {row.integer(0), row.text(1), row.text(2), row.text(3), row.text(4),
          row.text(5),    row.text(6), row.text(7), row.text(8), row.text(9)};
}

}  // namespace

std::string utcNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day ymd{day};
  const hh_mm_ss hms{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                static_cast<int>(hms.seconds().count()));
  return text;
}

void appendAudit(Database& db, const Actor& actor, std::string_view action, const std::string& target,
                 const std::string& before, const std::string& after) {
  if (db.dialect() == Dialect::Postgres) {
    const Value key[] = {Value::of(kAuditLockKey)};
    db.run("SELECT pg_advisory_xact_lock($1)", key);
  }
  AuditEntry e;
  e.id = 1;
  e.previousHash = kGenesisHash;
  db.run("SELECT entry_id, hash FROM audit_log ORDER BY entry_id DESC LIMIT 1", {}, [&](const Row& row) {
    e.id = row.integer(0) + 1;
    e.previousHash = row.text(1);
  });
  e.at = utcNow();
  e.who = actor.who;
  e.action = std::string(action);
  e.target = target;
  e.before = before;
  e.after = after;
  e.reason = actor.reason;
  e.hash = auditEntryHash(e);
  const Value values[] = {Value::of(e.id),          Value::ofText(e.at),     Value::ofText(e.who),
                          Value::ofText(e.action),  Value::ofText(e.target), Value::ofText(e.before),
                          Value::ofText(e.after),   Value::ofText(e.reason), Value::ofText(e.previousHash),
                          Value::ofText(e.hash)};
  db.run("INSERT INTO audit_log (entry_id, at, who, action, target, before_value, after_value, reason, "
         "previous_hash, hash) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)",
         values);
}

void Archive::audit(const std::string& action, const std::string& target, const std::string& before,
                    const std::string& after) {
  inTransaction(*db_, [&] {
    appendAudit(*db_, actor_, action, target, before, after);
    return 0;
  });
}

std::vector<AuditEntry> Archive::auditLog(const AuditFilter& filter) {
  BoundSql q;
  q.sql(kEntryColumns).sql(" WHERE 1 = 1");
  if (filter.object) {
    // The object itself, or one of its points or placements ("NAME / …").
    // Compared by substr, not LIKE, so that '%' and '_' in a name are letters.
    q.sql(" AND (target = ").text(*filter.object);
    const std::string prefix = *filter.object + " / ";
    q.sql(" OR substr(target, 1, length(").text(prefix).sql(")) = ").text(prefix).sql(")");
  }
  if (filter.who) q.sql(" AND who = ").text(*filter.who);
  if (filter.since) q.sql(" AND at >= ").text(*filter.since);
  q.sql(" ORDER BY entry_id DESC");
  if (filter.limit > 0) q.sql(" LIMIT ").integer(static_cast<std::int64_t>(filter.limit));
  std::vector<AuditEntry> out;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) { out.push_back(readEntry(row)); });
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace zel::archive
