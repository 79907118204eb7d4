// Placing records at the points of an object. A record stands at one point
// at most: placing it elsewhere is refused, naming both points, unless the
// move is asked for. A device placed for a period is kept as a placement,
// which the object's protocol names.
#include "kvd/archive/archive.h"
#include "kvd/archive/selection_sql.h"

namespace zel::archive {

namespace {

std::string pointText(const std::string& object, const PointName& p) {
  std::string out = object;
  if (!p.floor.empty()) out += " / floor " + p.floor;
  out += " / " + p.room;
  if (!p.point.empty()) out += " / " + p.point;
  return out;
}

std::int64_t objectId(Database& db, const std::string& name) {
  std::int64_t id = 0;
  const Value n[] = {Value::ofText(name)};
  db.run("SELECT object_id FROM objects WHERE name = $1", n, [&](const Row& row) { id = row.integer(0); });
  return id;
}

// The point's id, made when missing; `created` says whether it was.
std::int64_t pointId(Database& db, std::int64_t object, const PointName& p, bool& created) {
  const Value values[] = {Value::of(object), Value::ofText(p.floor), Value::ofText(p.room), Value::ofText(p.point)};
  std::int64_t id = 0;
  auto find = [&] {
    db.run("SELECT point_id FROM points WHERE object_id = $1 AND floor = $2 AND room = $3 AND point = $4", values,
           [&](const Row& row) { id = row.integer(0); });
  };
  find();
  created = id == 0;
  if (created) {
    db.run("INSERT INTO points (object_id, floor, room, point) VALUES ($1, $2, $3, $4) ON CONFLICT DO NOTHING",
           values);
    find();
  }
  return id;
}

// The selected record ids, as a subquery condition "r.record_id IN (…)".
void selected(const Selection& selection, BoundSql& q) {
  q.sql("record_id IN (SELECT r.record_id").sql(recordJoins(selection));
  appendSelection(selection, q);
  q.sql(")");
}

AssignResult assignWithin(Database& db, const std::string& object, const PointName& point,
                          const Selection& selection, bool move) {
  if (!selection.any()) throw ArchiveError("say which records: a device and a period, a file, or record ids");
  if (point.room.empty()) throw ArchiveError("a point needs a room", "room_missing");
  const std::int64_t oid = objectId(db, object);
  if (oid == 0) throw ArchiveError("there is no object \"" + object + "\": add it with kvd archive object add", "no_object");
  AssignResult result;
  const std::int64_t pid = pointId(db, oid, point, result.pointCreated);

  // Records of the selection that stand at another point.
  BoundSql elsewhere;
  elsewhere.sql("SELECT r.record_id, o.name, p.floor, p.room, p.point").sql(recordJoins(selection));
  appendSelection(selection, elsewhere);
  // "<>" leaves out the unplaced records (NULL) without a condition of its own,
  // which would lead the planner to scan every placed record.
  elsewhere.sql(" AND r.point_id <> ");
  elsewhere.integer(pid).sql(" ORDER BY r.record_id");
  std::uint64_t others = 0;
  std::string first;
  db.run(elsewhere.sqlText(), elsewhere.values(), [&](const Row& row) {
    if (others++ == 0)
      first = "record " + std::to_string(row.integer(0)) + " is at " +
              pointText(row.text(1), {row.text(2), row.text(3), row.text(4)});
  });
  if (others > 0 && !move)
    throw ArchiveError(first + (others > 1 ? " (and " + std::to_string(others - 1) + " more at other points)" : "") +
                       ", not at " + pointText(object, point) + ": give --move to move " +
                       (others > 1 ? "them" : "it"),
                       "records_elsewhere");
  result.moved = others;

  BoundSql already;
  already.sql("SELECT count(*) FROM stored_records WHERE point_id = ").integer(pid).sql(" AND ");
  selected(selection, already);
  db.run(already.sqlText(), already.values(),
         [&](const Row& row) { result.already = static_cast<std::uint64_t>(row.integer(0)); });

  BoundSql update;
  update.sql("UPDATE stored_records SET point_id = ").integer(pid);
  update.sql(" WHERE (point_id IS NULL OR point_id <> ").integer(pid).sql(") AND ");
  selected(selection, update);
  result.assigned = static_cast<std::uint64_t>(db.run(update.sqlText(), update.values()));

  if (selection.device && selection.from && selection.to) {
    const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
    const Value values[] = {Value::of(pid), Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
    db.run("INSERT INTO placements (point_id, device_number, from_time, to_time) VALUES ($1, $2, $3, $4) "
           "ON CONFLICT DO NOTHING",
           values);
  }
  return result;
}

template <typename F>
auto inTransaction(Database& db, F&& body) {
  db.begin();
  try {
    auto result = body();
    db.commit();
    return result;
  } catch (...) {
    db.rollback();
    throw;
  }
}

}  // namespace

AssignResult Archive::assign(const std::string& object, const PointName& point, const Selection& selection,
                             bool move) {
  return inTransaction(*db_, [&] { return assignWithin(*db_, object, point, selection, move); });
}

std::uint64_t Archive::unassign(const Selection& selection) {
  if (!selection.any()) throw ArchiveError("say which records: a device and a period, a file, or record ids");
  return inTransaction(*db_, [&] {
    BoundSql update;
    update.sql("UPDATE stored_records SET point_id = NULL WHERE point_id IS NOT NULL AND ");
    selected(selection, update);
    const auto count = static_cast<std::uint64_t>(db_->run(update.sqlText(), update.values()));
    if (selection.device && selection.from && selection.to) {
      const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
      const Value values[] = {Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
      db_->run("DELETE FROM placements WHERE device_number = $1 AND from_time = $2 AND to_time = $3", values);
    }
    return count;
  });
}

std::vector<AssignResult> Archive::assignPlan(const std::vector<PlanRow>& plan, bool move) {
  for (const PlanRow& row : plan) {
    const std::string where = "line " + std::to_string(row.line) + ": ";
    if (row.object.empty()) throw ArchiveError(where + "no object");
    if (row.placement.point.room.empty()) throw ArchiveError(where + "no room");
    if (row.placement.to < row.placement.from) throw ArchiveError(where + "'to' lies before 'from'");
  }
  return inTransaction(*db_, [&] {
    std::vector<AssignResult> results;
    for (const PlanRow& row : plan) {
      if (objectId(*db_, row.object) == 0) {
        const Value values[] = {Value::ofText(row.object), Value::ofText(row.address)};
        db_->run("INSERT INTO objects (name, address) VALUES ($1, $2)", values);
      }
      Selection s;
      s.device = row.placement.device;
      s.from = row.placement.from;
      s.to = row.placement.to;
      try {
        results.push_back(assignWithin(*db_, row.object, row.placement.point, s, move));
      } catch (const ArchiveError& e) {
        throw ArchiveError("line " + std::to_string(row.line) + ": " + e.what());
      }
    }
    return results;
  });
}

}  // namespace zel::archive
