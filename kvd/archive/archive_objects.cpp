// Objects and their points, and the devices with their verification.
#include <algorithm>
#include <map>
#include <tuple>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_append.h"
#include "kvd/archive/audit_json.h"
#include "kvd/archive/placing_sql.h"
#include "kvd/archive/selection_sql.h"
#include "kvd/stats/stats.h"

namespace zel::archive {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

Value optionalDate(const std::string& date) { return date.empty() ? Value::null() : Value::ofText(date); }

// An object about to be removed as its audit entry keeps it: its fields,
// its points with the records they held, and its placements, so that the
// trail tells everything the removal took.
audit::Json removedObject(Database& db, std::int64_t id, const ObjectInfo& info,
                          const std::vector<Placement>& placements) {
  struct Held {
    PointName name;
    std::vector<std::int64_t> records;
  };
  std::map<std::int64_t, Held> points;
  const Value ids[] = {Value::of(id)};
  db.run("SELECT point_id, floor, room, point FROM points WHERE object_id = $1 ORDER BY floor, room, point", ids,
         [&](const Row& row) { points[row.integer(0)].name = {row.text(1), row.text(2), row.text(3)}; });
  db.run("SELECT r.point_id, r.record_id FROM stored_records r JOIN points p ON p.point_id = r.point_id "
         "WHERE p.object_id = $1",
         ids, [&](const Row& row) { points[row.integer(0)].records.push_back(row.integer(1)); });
  audit::Json out = audit::objectJson(info);
  audit::Json held = audit::Json::array();
  for (const auto& [pointId, point] : points) {
    audit::Json p = audit::pointJson(info.name, point.name);
    p.erase("object");
    p.update(audit::recordsJson(point.records));
    held.push_back(std::move(p));
  }
  out["points"] = std::move(held);
  audit::Json kept = audit::Json::array();
  for (const Placement& pl : placements) kept.push_back(audit::placementJson(pl));
  out["placements"] = std::move(kept);
  return out;
}

void refuseKind(const std::optional<std::string>& kind) {
  if (kind && !validObjectKind(*kind))
    throw ArchiveError("the kind of an object is in-use, new or workplace, not \"" + *kind + "\"", "object_kind");
}

}  // namespace

bool validObjectKind(const std::string& kind) { return kind == "in-use" || kind == "new" || kind == "workplace"; }

void Archive::addObject(const ObjectInfo& o) {
  if (o.name.empty()) throw ArchiveError("an object needs a name", "object_name_missing");
  refuseKind(o.kind);
  if (object(o.name)) throw ArchiveError("there is an object " + quoted(o.name) + " already", "object_exists");
  const Value values[] = {Value::ofText(o.name), Value::ofText(o.address), Value::ofText(o.client),
                          Value::ofText(o.notes), Value::ofText(o.kind)};
  try {
    inTransaction(*db_, [&] {
      db_->run("INSERT INTO objects (name, address, client, notes, kind) VALUES ($1, $2, $3, $4, $5)", values);
      appendAudit(*db_, actor_, "object.add", o.name, "", audit::objectJson(o).dump());
      return 0;
    });
  } catch (const DatabaseError& e) {
    if (e.kind() == DatabaseError::Kind::Constraint) throw ArchiveError("there is an object " + quoted(o.name) + " already", "object_exists");
    throw;
  }
}

std::optional<ObjectInfo> Archive::object(const std::string& name) {
  std::optional<ObjectInfo> out;
  const Value values[] = {Value::ofText(name)};
  db_->run("SELECT name, address, client, notes, kind FROM objects WHERE name = $1", values,
           [&](const Row& row) { out = ObjectInfo{row.text(0), row.text(1), row.text(2), row.text(3), row.text(4)}; });
  return out;
}

void Archive::editObject(const std::string& name, const ObjectChange& change) {
  inTransaction(*db_, [&] {
    const std::optional<ObjectInfo> before = object(name);
    if (!before) throw ArchiveError("there is no object " + quoted(name), "no_object");
    if (change.name && change.name->empty()) throw ArchiveError("an object needs a name", "object_name_missing");
    refuseKind(change.kind);
    if (change.name && *change.name != name && object(*change.name))
      throw ArchiveError("there is an object " + quoted(*change.name) + " already", "object_exists");
    BoundSql q;
    q.sql("UPDATE objects SET ");
    bool first = true;
    auto set = [&](const char* column, const std::optional<std::string>& v) {
      if (!v) return;
      q.sql(first ? "" : ", ").sql(column).sql(" = ").text(*v);
      first = false;
    };
    set("name", change.name);
    set("address", change.address);
    set("client", change.client);
    set("notes", change.notes);
    set("kind", change.kind);
    if (first) return 0;
    q.sql(" WHERE name = ").text(name);
    db_->run(q.sqlText(), q.values());
    const ObjectInfo after{change.name.value_or(before->name), change.address.value_or(before->address),
                           change.client.value_or(before->client), change.notes.value_or(before->notes),
                           change.kind.value_or(before->kind)};
    const std::string was = audit::objectJson(*before).dump(), is = audit::objectJson(after).dump();
    // The object's name before the change is the target: its earlier
    // entries are under that name.
    if (was != is) appendAudit(*db_, actor_, "object.edit", name, was, is);
    return 0;
  });
}

std::uint64_t Archive::removeObject(const std::string& name, bool unassign) {
  Database& db = *db_;
  db.begin();
  try {
    std::int64_t id = 0;
    const Value n[] = {Value::ofText(name)};
    db.run("SELECT object_id FROM objects WHERE name = $1", n, [&](const Row& row) { id = row.integer(0); });
    if (id == 0) throw ArchiveError("there is no object " + quoted(name), "no_object");
    const Value ids[] = {Value::of(id)};
    std::uint64_t assigned = 0;
    db.run("SELECT count(*) FROM stored_records r JOIN points p ON p.point_id = r.point_id WHERE p.object_id = $1",
           ids, [&](const Row& row) { assigned = static_cast<std::uint64_t>(row.integer(0)); });
    if (assigned > 0 && !unassign)
      throw ArchiveError("object " + quoted(name) + " has " + std::to_string(assigned) +
                         (assigned == 1 ? " record" : " records") +
                         " assigned: give --unassign to take them off and remove it",
                         "object_has_records");
    std::uint64_t issued = 0;
    db.run("SELECT count(*) FROM protocols WHERE object_id = $1", ids,
           [&](const Row& row) { issued = static_cast<std::uint64_t>(row.integer(0)); });
    if (issued > 0)
      throw ArchiveError("object " + quoted(name) + " has " + std::to_string(issued) +
                             (issued == 1 ? " issued protocol" : " issued protocols") +
                             ", which stay whole: it cannot be removed",
                         "object_has_protocols");
    const std::optional<ObjectInfo> info = object(name);
    const std::string before = removedObject(db, id, info.value_or(ObjectInfo{name}), placements(name)).dump();
    db.run("UPDATE stored_records SET point_id = NULL WHERE point_id IN (SELECT point_id FROM points WHERE "
           "object_id = $1)",
           ids);
    db.run("DELETE FROM placements WHERE point_id IN (SELECT point_id FROM points WHERE object_id = $1)", ids);
    db.run("DELETE FROM points WHERE object_id = $1", ids);
    db.run("DELETE FROM objects WHERE object_id = $1", ids);
    appendAudit(db, actor_, "object.remove", name, before, audit::Json{{"unassigned", assigned}}.dump());
    db.commit();
    return assigned;
  } catch (...) {
    db.rollback();
    throw;
  }
}

std::vector<ObjectSummary> Archive::objects() {
  std::vector<ObjectSummary> out;
  db_->run("SELECT object_id, name, address, client, notes, kind FROM objects", {}, [&](const Row& row) {
    ObjectSummary o;
    o.id = row.integer(0);
    o.info = {row.text(1), row.text(2), row.text(3), row.text(4), row.text(5)};
    out.push_back(std::move(o));
  });
  // Byte order, the same in both databases whatever their collations.
  std::sort(out.begin(), out.end(), [](const ObjectSummary& a, const ObjectSummary& b) { return a.info.name < b.info.name; });
  db_->run("SELECT p.point_id, p.object_id, p.floor, p.room, p.point, "
           "(SELECT count(*) FROM stored_records r WHERE r.point_id = p.point_id) FROM points p",
           {}, [&](const Row& row) {
             const std::int64_t objectId = row.integer(1);
             for (ObjectSummary& o : out) {
               if (o.id != objectId) continue;
               PointSummary p{row.integer(0), {row.text(2), row.text(3), row.text(4)},
                              static_cast<std::uint64_t>(row.integer(5))};
               o.records += p.records;
               o.points.push_back(std::move(p));
             }
           });
  for (ObjectSummary& o : out)
    std::sort(o.points.begin(), o.points.end(), [](const PointSummary& a, const PointSummary& b) {
      return std::tie(a.name.floor, a.name.room, a.name.point) < std::tie(b.name.floor, b.name.room, b.name.point);
    });
  return out;
}

bool verificationDay(const std::string& text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  DateTime day;
  if (!cli::parsePeriodBound(text, false, day) || day.hour != 0 || day.minute != 0 || day.second != 0) return false;
  out = timestampText(day).substr(0, 10);
  return true;
}

void Archive::setDevice(const DeviceInfo& d) {
  // Both are "YYYY-MM-DD", which order as the days do.
  if (!d.verifiedFrom.empty() && !d.verifiedUntil.empty() && d.verifiedUntil < d.verifiedFrom)
    throw ArchiveError("device " + std::to_string(d.number) + ": verified until " + d.verifiedUntil +
                           " lies before verified from " + d.verifiedFrom,
                       "verification_order");
  const Value values[] = {Value::of(d.number), Value::ofText(d.model), Value::ofText(d.certificate),
                          optionalDate(d.verifiedFrom), optionalDate(d.verifiedUntil), Value::ofText(d.type),
                          Value::ofText(d.serial), Value::ofText(d.statedError)};
  inTransaction(*db_, [&] {
    const std::optional<DeviceInfo> before = device(d.number);
    db_->run("INSERT INTO devices (device_number, model, certificate, verified_from, verified_until, device_type, "
             "serial, stated_error) VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT (device_number) DO UPDATE "
             "SET model = excluded.model, certificate = excluded.certificate, verified_from = excluded.verified_from, "
             "verified_until = excluded.verified_until, device_type = excluded.device_type, "
             "serial = excluded.serial, stated_error = excluded.stated_error",
             values);
    const std::string was = before ? audit::deviceJson(*before).dump() : std::string();
    const std::string is = audit::deviceJson(d).dump();
    if (was != is) appendAudit(*db_, actor_, "device.set", audit::deviceTarget(d.number), was, is);
    return 0;
  });
}

std::vector<DeviceInfo> Archive::devices() {
  std::vector<DeviceInfo> out;
  db_->run("SELECT device_number, model, certificate, verified_from, verified_until, device_type, serial, "
           "stated_error FROM devices ORDER BY device_number",
           {}, [&](const Row& row) {
             out.push_back({static_cast<std::uint32_t>(row.integer(0)), row.text(1), row.text(2),
                            row.text(3).substr(0, 10), row.text(4).substr(0, 10), row.text(5), row.text(6),
                            row.text(7)});
           });
  return out;
}

std::optional<DeviceInfo> Archive::device(std::uint32_t number) {
  for (DeviceInfo& d : devices())
    if (d.number == number) return d;
  return std::nullopt;
}

}  // namespace zel::archive
