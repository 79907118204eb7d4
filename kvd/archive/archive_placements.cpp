// Placements: a device that stood at a point for a period, as the
// protocol names its measurement periods. Listed per object, corrected and
// removed one by one, and kept in agreement with the records their points
// hold when records leave a point.
#include <algorithm>
#include <map>
#include <utility>

#include "kvd/archive/audit_append.h"
#include "kvd/archive/placing_sql.h"
#include "kvd/archive/selection_sql.h"
#include "kvd/stats/stats.h"

namespace zel::archive {

namespace {

constexpr const char* kPlacementColumns =
    "SELECT pl.placement_id, o.name, p.floor, p.room, p.point, pl.device_number, pl.from_time, pl.to_time "
    "FROM placements pl JOIN points p ON p.point_id = pl.point_id JOIN objects o ON o.object_id = p.object_id";

Placement readPlacement(const Row& row) {
  Placement pl;
  pl.id = row.integer(0);
  pl.object = row.text(1);
  pl.point = {row.text(2), row.text(3), row.text(4)};
  pl.device = static_cast<std::uint32_t>(row.integer(5));
  cli::parsePeriodBound(row.text(6), false, pl.from);
  cli::parsePeriodBound(row.text(7), false, pl.to);
  return pl;
}

ArchiveError noPlacement(std::int64_t id) {
  return ArchiveError("there is no placement " + std::to_string(id), "no_placement");
}

using Period = std::pair<std::string, std::string>;

// The parts of `whole` that still hold records: `remaining` are the times
// of the records left (sorted), `left` those of the records gone. A stretch
// that only gone records stood in is cut off; one that a record still
// stands in is kept to its ends.
std::vector<Period> periodsStillHeld(const Period& whole, const std::vector<std::string>& remaining,
                                     std::vector<std::string> left) {
  if (remaining.empty()) return {};
  std::sort(left.begin(), left.end());
  // Whether a record gone lies strictly between the two times.
  auto goneBetween = [&](const std::string& a, const std::string& b) {
    const auto it = std::upper_bound(left.begin(), left.end(), a);
    return it != left.end() && *it < b;
  };
  std::vector<Period> out;
  std::string start = left.front() < remaining.front() ? remaining.front() : whole.first;
  for (std::size_t k = 0; k + 1 < remaining.size(); ++k)
    if (goneBetween(remaining[k], remaining[k + 1])) {
      out.emplace_back(start, remaining[k]);
      start = remaining[k + 1];
    }
  out.emplace_back(start, remaining.back() < left.back() ? remaining.back() : whole.second);
  return out;
}

}  // namespace

std::optional<Placement> placementWithin(Database& db, std::int64_t id) {
  std::optional<Placement> out;
  const Value v[] = {Value::of(id)};
  db.run(std::string(kPlacementColumns) + " WHERE pl.placement_id = $1", v,
         [&](const Row& row) { out = readPlacement(row); });
  return out;
}

std::int64_t objectIdOf(Database& db, const std::string& name) {
  std::int64_t id = 0;
  const Value n[] = {Value::ofText(name)};
  db.run("SELECT object_id FROM objects WHERE name = $1", n, [&](const Row& row) { id = row.integer(0); });
  return id;
}

std::int64_t pointIdOf(Database& db, std::int64_t object, const PointName& p, bool& created) {
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

std::vector<LeavingRecord> recordsLeaving(Database& db, const Selection& selection, std::int64_t target) {
  BoundSql q;
  q.sql("SELECT r.point_id, r.device_number, r.date_time").sql(recordSource(selection));
  appendSelection(selection, q);
  q.sql(selection.any() ? " AND " : " WHERE ");
  if (target != 0) q.sql("r.point_id <> ").integer(target);
  else q.sql("r.point_id IS NOT NULL");
  q.sql(" AND EXISTS (SELECT 1 FROM placements pl WHERE pl.point_id = r.point_id AND "
        "pl.device_number = r.device_number AND r.date_time BETWEEN pl.from_time AND pl.to_time)");
  std::vector<LeavingRecord> out;
  db.run(q.sqlText(), q.values(),
         [&](const Row& row) { out.push_back({row.integer(0), row.integer(1), row.text(2)}); });
  return out;
}

std::vector<audit::PlacementCut> keepPlacementsHeld(Database& db, const std::vector<LeavingRecord>& left) {
  std::vector<audit::PlacementCut> cuts;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::string>> byPlace;
  for (const LeavingRecord& r : left) byPlace[{r.point, r.device}].push_back(r.when);
  for (const auto& [place, times] : byPlace) {
    const Value at[] = {Value::of(place.first), Value::of(place.second)};
    std::vector<std::pair<std::int64_t, Period>> placements;
    db.run("SELECT placement_id, from_time, to_time FROM placements WHERE point_id = $1 AND device_number = $2", at,
           [&](const Row& row) { placements.push_back({row.integer(0), {row.text(1), row.text(2)}}); });
    for (const auto& [id, whole] : placements) {
      std::vector<std::string> gone;
      for (const std::string& t : times)
        if (whole.first <= t && t <= whole.second) gone.push_back(t);
      if (gone.empty()) continue;
      std::vector<std::string> remaining;
      const Value within[] = {at[0], at[1], Value::ofText(whole.first), Value::ofText(whole.second)};
      db.run("SELECT date_time FROM stored_records WHERE point_id = $1 AND device_number = $2 AND "
             "date_time BETWEEN $3 AND $4 ORDER BY date_time",
             within, [&](const Row& row) { remaining.push_back(row.text(0)); });
      const std::vector<Period> kept = periodsStillHeld(whole, remaining, gone);
      if (kept.size() == 1 && kept.front() == whole) continue;
      if (std::optional<Placement> before = placementWithin(db, id)) cuts.push_back({std::move(*before), kept});
      const Value v[] = {Value::of(id)};
      db.run("DELETE FROM placements WHERE placement_id = $1", v);
      for (const Period& p : kept) {
        const Value row[] = {at[0], at[1], Value::ofText(p.first), Value::ofText(p.second)};
        db.run("INSERT INTO placements (point_id, device_number, from_time, to_time) VALUES ($1, $2, $3, $4) "
               "ON CONFLICT DO NOTHING",
               row);
      }
    }
  }
  return cuts;
}

std::vector<Placement> Archive::placements(const std::string& objectName) {
  std::vector<Placement> out;
  const Value n[] = {Value::ofText(objectName)};
  db_->run(std::string(kPlacementColumns) + " WHERE o.name = $1 ORDER BY pl.from_time, pl.placement_id", n,
           [&](const Row& row) { out.push_back(readPlacement(row)); });
  return out;
}

std::optional<Placement> Archive::placement(std::int64_t id) { return placementWithin(*db_, id); }

Placement Archive::changePlacement(std::int64_t id, const PlacementChange& change) {
  return inTransaction(*db_, [&] {
    std::optional<Placement> current = placementWithin(*db_, id);
    if (!current) throw noPlacement(id);
    Placement next = *current;
    if (change.device) next.device = *change.device;
    if (change.point) next.point = *change.point;
    if (change.from) next.from = *change.from;
    if (change.to) next.to = *change.to;
    if (next.point.room.empty()) throw ArchiveError("a point needs a room", "room_missing");
    if (next.to < next.from)
      throw ArchiveError("the placement would end (" + timestampText(next.to) + ") before it starts (" +
                             timestampText(next.from) + ")",
                         "dates_reversed");
    bool created = false;
    const std::int64_t point = pointIdOf(*db_, objectIdOf(*db_, next.object), next.point, created);
    const std::string from = timestampText(next.from), to = timestampText(next.to);
    const Value values[] = {Value::of(point), Value::of(next.device), Value::ofText(from), Value::ofText(to),
                            Value::of(id)};
    bool twin = false;
    db_->run("SELECT 1 FROM placements WHERE point_id = $1 AND device_number = $2 AND from_time = $3 AND "
             "to_time = $4 AND placement_id <> $5",
             values, [&](const Row&) { twin = true; });
    if (twin) throw ArchiveError("this device is on record at this point for this period already", "placement_exists");
    db_->run("UPDATE placements SET point_id = $1, device_number = $2, from_time = $3, to_time = $4 "
             "WHERE placement_id = $5",
             values);
    const std::string before = audit::placementJson(*current).dump(), after = audit::placementJson(next).dump();
    if (before != after)
      appendAudit(*db_, actor_, "placement.change", audit::placementTarget(current->object, id), before, after);
    return next;
  });
}

void Archive::removePlacement(std::int64_t id) {
  inTransaction(*db_, [&] {
    const std::optional<Placement> gone = placementWithin(*db_, id);
    const Value v[] = {Value::of(id)};
    if (!gone || db_->run("DELETE FROM placements WHERE placement_id = $1", v) == 0) throw noPlacement(id);
    appendAudit(*db_, actor_, "placement.remove", audit::placementTarget(gone->object, id),
                audit::placementJson(*gone).dump(), "");
    return 0;
  });
}

}  // namespace zel::archive
