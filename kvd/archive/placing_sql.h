// What placing records and correcting placements share: the ids of objects
// and points, one transaction around a change, and the rule that keeps a
// point's placements in agreement with the records it holds when records
// leave it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_json.h"

namespace zel::archive {

// 0 when there is no object of that name.
std::int64_t objectIdOf(Database& db, const std::string& name);
// The point's id, made when missing; `created` says whether it was.
std::int64_t pointIdOf(Database& db, std::int64_t object, const PointName& point, bool& created);
// The placement of that id, with its object's and point's names.
std::optional<Placement> placementWithin(Database& db, std::int64_t id);

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

// A dated record about to leave its point that a placement there holds.
struct LeavingRecord {
  std::int64_t point = 0;
  std::int64_t device = 0;
  std::string when;  // "YYYY-MM-DD hh:mm:ss"
};

// The selected records that stand at a point other than `target` (at any
// point when `target` is 0) within one of its placements. Read before they
// leave.
std::vector<LeavingRecord> recordsLeaving(Database& db, const Selection& selection, std::int64_t target);
// After they left: every placement that held one of them is cut to the
// periods that still hold records of its device at its point, or removed
// when none does. Returns those cut, for the change's audit entry.
std::vector<audit::PlacementCut> keepPlacementsHeld(Database& db, const std::vector<LeavingRecord>& left);

}  // namespace zel::archive
