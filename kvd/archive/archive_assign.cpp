// Placing records at the points of an object. A record stands at one point
// at most: placing it elsewhere is refused, naming both points, unless the
// move is asked for. A device placed for a period is kept as a placement,
// which the object's protocol names.
#include <map>

#include "kvd/archive/audit_append.h"
#include "kvd/archive/placing_sql.h"
#include "kvd/archive/selection_sql.h"

namespace zel::archive {

namespace {

using audit::Json;

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

// Records about to be placed or taken off, by the point they stand at (0:
// at none), for the audit entry: which ones, from where.
struct Source {
  std::string object;
  PointName point;
  std::vector<std::int64_t> ids;
};
using Sources = std::map<std::int64_t, Source>;

// The selected records that are not at `target` (with `target` 0: those at
// any point). Read before they are placed.
Sources recordsTaken(Database& db, const Selection& selection, std::int64_t target) {
  BoundSql q;
  q.sql("SELECT x.record_id, x.point_id, xo.name, xp.floor, xp.room, xp.point FROM stored_records x "
        "LEFT JOIN points xp ON xp.point_id = x.point_id LEFT JOIN objects xo ON xo.object_id = xp.object_id WHERE ");
  if (target != 0) q.sql("(x.point_id IS NULL OR x.point_id <> ").integer(target).sql(")");
  else q.sql("x.point_id IS NOT NULL");
  q.sql(" AND x.");
  selected(selection, q);
  Sources out;
  db.run(q.sqlText(), q.values(), [&](const Row& row) {
    const std::int64_t point = row.isNull(1) ? 0 : row.integer(1);
    Source& source = out[point];
    if (source.ids.empty() && point != 0) {
      source.object = row.text(2);
      source.point = {row.text(3), row.text(4), row.text(5)};
    }
    source.ids.push_back(row.integer(0));
  });
  return out;
}

// What an assignment changed.
struct Placed {
  AssignResult result;
  Sources taken;
  std::optional<Placement> placement;  // kept anew with the device and period
  std::vector<audit::PlacementCut> cuts;
  bool changed() const { return result.assigned > 0 || result.pointCreated || placement; }
};

// Where the records stood: "unassigned" and each point they came from,
// with their ids; "" when none was taken (a placement alone).
std::string placedBefore(const Placed& placed) {
  Json out = Json::object();
  Json points = Json::array();
  for (const auto& [id, source] : placed.taken) {
    if (id == 0) {
      out["unassigned"] = audit::recordsJson(source.ids);
      continue;
    }
    Json point = audit::pointJson(source.object, source.point);
    point.update(audit::recordsJson(source.ids));
    points.push_back(std::move(point));
  }
  if (!points.empty()) out["points"] = std::move(points);
  return out.empty() ? std::string() : out.dump();
}

// Where they stand now, how many were there already, the point and
// placement made, and the placements cut at the points they left.
Json placedAfter(const std::string& object, const PointName& point, const Placed& placed) {
  Json out = audit::pointJson(object, point);
  std::vector<std::int64_t> ids;
  for (const auto& [id, source] : placed.taken) ids.insert(ids.end(), source.ids.begin(), source.ids.end());
  out.update(audit::recordsJson(ids));
  out["already"] = placed.result.already;
  out["point_created"] = placed.result.pointCreated;
  if (placed.placement) out["placement"] = audit::placementJson(*placed.placement);
  if (!placed.cuts.empty()) {
    Json cuts = Json::array();
    for (const audit::PlacementCut& cut : placed.cuts) cuts.push_back(audit::cutJson(cut));
    out["placements_cut"] = std::move(cuts);
  }
  return out;
}

Placed assignWithin(Database& db, const std::string& object, const PointName& point, const Selection& selection,
                    bool move) {
  if (!selection.any())
    throw ArchiveError("say which records: a device and a period, a file, or record ids", "records_unspecified");
  if (point.room.empty()) throw ArchiveError("a point needs a room", "room_missing");
  const std::int64_t oid = objectIdOf(db, object);
  if (oid == 0) throw ArchiveError("there is no object \"" + object + "\": add it with kvd archive object add", "no_object");
  Placed placed;
  AssignResult& result = placed.result;
  const std::int64_t pid = pointIdOf(db, oid, point, result.pointCreated);

  result.moved = refuseRecordsElsewhere(db, selection, pid, pointText(object, point), move);
  const std::vector<LeavingRecord> leaving =
      result.moved > 0 ? recordsLeaving(db, selection, pid) : std::vector<LeavingRecord>{};
  placed.taken = recordsTaken(db, selection, pid);

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
  placed.cuts = keepPlacementsHeld(db, leaving);

  if (selection.device && selection.from && selection.to) {
    const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
    const Value values[] = {Value::of(pid), Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
    std::int64_t kept = 0;
    db.run("INSERT INTO placements (point_id, device_number, from_time, to_time) VALUES ($1, $2, $3, $4) "
           "ON CONFLICT DO NOTHING RETURNING placement_id",
           values, [&](const Row& row) { kept = row.integer(0); });
    if (kept != 0) placed.placement = Placement{object, point, *selection.device, *selection.from, *selection.to, kept};
  }
  return placed;
}

// The placements that unassign removes with the device and period given.
std::vector<Placement> placementsOfPeriod(Database& db, const Selection& selection) {
  std::vector<std::int64_t> ids;
  const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
  const Value values[] = {Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
  db.run("SELECT placement_id FROM placements WHERE device_number = $1 AND from_time = $2 AND to_time = $3", values,
         [&](const Row& row) { ids.push_back(row.integer(0)); });
  std::vector<Placement> out;
  for (std::int64_t id : ids)
    if (std::optional<Placement> pl = placementWithin(db, id)) out.push_back(std::move(*pl));
  return out;
}

// One entry per point that records or placements left, by its target.
struct Unassigned {
  Json before;
  Json placements = Json::array();
  std::uint64_t records = 0;
};

void auditUnassigned(Database& db, const Actor& actor, const Sources& taken,
                     const std::vector<audit::PlacementCut>& cuts, const std::vector<Placement>& removed) {
  std::map<std::string, Unassigned> points;
  auto at = [&](const std::string& object, const PointName& point) -> Unassigned& {
    Unassigned& u = points[audit::pointTarget(object, point)];
    if (u.before.is_null()) {
      u.before = audit::pointJson(object, point);
      u.before.update(audit::recordsJson({}));
    }
    return u;
  };
  for (const auto& [id, source] : taken) {
    Unassigned& u = at(source.object, source.point);
    u.before.update(audit::recordsJson(source.ids));
    u.records = source.ids.size();
  }
  for (const audit::PlacementCut& cut : cuts) at(cut.before.object, cut.before.point).placements.push_back(audit::cutJson(cut));
  for (const Placement& pl : removed) {
    Json gone = audit::placementJson(pl);
    gone["kept"] = Json::array();
    at(pl.object, pl.point).placements.push_back(std::move(gone));
  }
  for (auto& [target, u] : points) {
    Json after{{"unassigned", u.records}};
    if (!u.placements.empty()) after["placements_cut"] = std::move(u.placements);
    appendAudit(db, actor, "records.unassign", target, u.before.dump(), after.dump());
  }
}

}  // namespace

AssignResult Archive::assign(const std::string& object, const PointName& point, const Selection& selection,
                             bool move) {
  return inTransaction(*db_, [&] {
    const Placed placed = assignWithin(*db_, object, point, selection, move);
    if (placed.changed())
      appendAudit(*db_, actor_, placed.result.moved > 0 ? "records.move" : "records.assign",
                  audit::pointTarget(object, point), placedBefore(placed), placedAfter(object, point, placed).dump());
    return placed.result;
  });
}

std::uint64_t Archive::unassign(const Selection& selection) {
  if (!selection.any())
    throw ArchiveError("say which records: a device and a period, a file, or record ids", "records_unspecified");
  return inTransaction(*db_, [&] {
    BoundSql update;
    update.sql("UPDATE stored_records SET point_id = NULL WHERE point_id IS NOT NULL AND ");
    selected(selection, update);
    const std::vector<LeavingRecord> leaving = recordsLeaving(*db_, selection, 0);
    const Sources taken = recordsTaken(*db_, selection, 0);
    const auto count = static_cast<std::uint64_t>(db_->run(update.sqlText(), update.values()));
    const std::vector<audit::PlacementCut> cuts = keepPlacementsHeld(*db_, leaving);
    std::vector<Placement> removed;
    if (selection.device && selection.from && selection.to) {
      removed = placementsOfPeriod(*db_, selection);
      const std::string from = timestampText(*selection.from), to = timestampText(*selection.to);
      const Value values[] = {Value::of(*selection.device), Value::ofText(from), Value::ofText(to)};
      db_->run("DELETE FROM placements WHERE device_number = $1 AND from_time = $2 AND to_time = $3", values);
    }
    auditUnassigned(*db_, actor_, taken, cuts, removed);
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
        appendAudit(*db_, actor_, "object.add", row.object, "",
                    audit::objectJson({row.object, row.address, "", ""}).dump());
      }
      Selection s;
      s.device = row.placement.device;
      s.from = row.placement.from;
      s.to = row.placement.to;
      try {
        const Placed placed = assignWithin(*db_, row.object, row.placement.point, s, move);
        // One entry per row that changed something, under its point, so
        // that each object's history holds its part of the plan.
        if (placed.changed()) {
          Json after{{"line", row.line}};
          after.update(placedAfter(row.object, row.placement.point, placed));
          appendAudit(*db_, actor_, "plan.apply", audit::pointTarget(row.object, row.placement.point),
                      placedBefore(placed), after.dump());
        }
        results.push_back(placed.result);
      } catch (const ArchiveError& e) {
        throw ArchiveError("line " + std::to_string(row.line) + ": " + e.what());
      }
    }
    return results;
  });
}

}  // namespace zel::archive
