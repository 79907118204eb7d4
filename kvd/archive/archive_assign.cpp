// Placing records at the points of an object. A record stands at one point
// at most: placing it elsewhere is refused, naming both points, unless the
// move is asked for. A device placed for a period is kept as a placement,
// which the object's protocol names.
#include "kvd/archive/placing_sql.h"
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

// The selected record ids, as a subquery condition "r.record_id IN (…)".
void selected(const Selection& selection, BoundSql& q) {
  q.sql("record_id IN (SELECT r.record_id").sql(recordJoins(selection));
  appendSelection(selection, q);
  q.sql(")");
}

// How many of the selected records stand at points other than `target`,
// refused unless `move`, with their counts per point, as many points named
// as a message can take.
std::uint64_t refuseRecordsElsewhere(Database& db, const Selection& selection, std::int64_t target,
                                     const std::string& targetText, bool move) {
  constexpr std::size_t kNamedPoints = 10;
  BoundSql elsewhere;
  elsewhere.sql("SELECT o.name, p.floor, p.room, p.point, count(*), min(r.record_id)").sql(recordJoins(selection));
  appendSelection(selection, elsewhere);
  // "<>" leaves out the unplaced records (NULL) without a condition of its own,
  // which would lead the planner to scan every placed record.
  elsewhere.sql(" AND r.point_id <> ").integer(target);
  elsewhere.sql(" GROUP BY p.point_id, o.name, p.floor, p.room, p.point ORDER BY min(r.record_id)");
  std::uint64_t records = 0, morePoints = 0;
  std::int64_t firstRecord = 0;
  std::vector<PointCount> points;
  db.run(elsewhere.sqlText(), elsewhere.values(), [&](const Row& row) {
    const auto n = static_cast<std::uint64_t>(row.integer(4));
    if (records == 0) firstRecord = row.integer(5);
    records += n;
    if (points.size() < kNamedPoints) points.push_back({row.text(0), {row.text(1), row.text(2), row.text(3)}, n});
    else ++morePoints;
  });
  if (records == 0 || move) return records;
  std::string message;
  if (records == 1) {
    message = "record " + std::to_string(firstRecord) + " is at " + pointText(points[0].object, points[0].point) +
              ", not at " + targetText + ": give --move to move it";
  } else {
    message = std::to_string(records) + " of the records stand at " +
              (points.size() == 1 ? "another point: " : "other points: ");
    for (std::size_t k = 0; k < points.size(); ++k)
      message += (k ? ", " : "") + pointText(points[k].object, points[k].point) + " (" +
                 std::to_string(points[k].records) + ")";
    if (morePoints > 0) message += " and " + std::to_string(morePoints) + " more points";
    message += "; not at " + targetText + ": give --move to move them";
  }
  throw RecordsElsewhere(message, records, std::move(points), morePoints);
}

AssignResult assignWithin(Database& db, const std::string& object, const PointName& point,
                          const Selection& selection, bool move) {
  if (!selection.any())
    throw ArchiveError("say which records: a device and a period, a file, or record ids", "records_unspecified");
  if (point.room.empty()) throw ArchiveError("a point needs a room", "room_missing");
  const std::int64_t oid = objectIdOf(db, object);
  if (oid == 0) throw ArchiveError("there is no object \"" + object + "\": add it with kvd archive object add", "no_object");
  AssignResult result;
  const std::int64_t pid = pointIdOf(db, oid, point, result.pointCreated);

  result.moved = refuseRecordsElsewhere(db, selection, pid, pointText(object, point), move);
  const std::vector<LeavingRecord> leaving =
      result.moved > 0 ? recordsLeaving(db, selection, pid) : std::vector<LeavingRecord>{};

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
  keepPlacementsHeld(db, leaving);

  if (selection.device && selection.from && selection.to) {
    const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
    const Value values[] = {Value::of(pid), Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
    db.run("INSERT INTO placements (point_id, device_number, from_time, to_time) VALUES ($1, $2, $3, $4) "
           "ON CONFLICT DO NOTHING",
           values);
  }
  return result;
}

}  // namespace

AssignResult Archive::assign(const std::string& object, const PointName& point, const Selection& selection,
                             bool move) {
  return inTransaction(*db_, [&] { return assignWithin(*db_, object, point, selection, move); });
}

std::uint64_t Archive::unassign(const Selection& selection) {
  if (!selection.any())
    throw ArchiveError("say which records: a device and a period, a file, or record ids", "records_unspecified");
  return inTransaction(*db_, [&] {
    BoundSql update;
    update.sql("UPDATE stored_records SET point_id = NULL WHERE point_id IS NOT NULL AND ");
    selected(selection, update);
    const std::vector<LeavingRecord> leaving = recordsLeaving(*db_, selection, 0);
    const auto count = static_cast<std::uint64_t>(db_->run(update.sqlText(), update.values()));
    keepPlacementsHeld(*db_, leaving);
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
      if (objectIdOf(*db_, row.object) == 0) {
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
