// Placements against the records their points hold, on SQLite and
// PostgreSQL: records that leave a point take with them the part of its
// placements that only they stood in, and nothing more; a refusal to move
// counts the records at each point; a placement is corrected and removed
// by its id.
#include <gtest/gtest.h>

#include "kvd/archive/archive.h"
#include "tests/archive/backend_fixture.h"
#include "tests/archive/day_records.h"

namespace zel::archive::test {

namespace {

class ArchivePlacements : public BackendTest {
 protected:
  Archive& archive() {
    if (!archive_) archive_ = std::make_unique<Archive>(freshDatabase());
    return *archive_;
  }
  // The periods of the device's placements at a point, as hour pairs.
  std::vector<std::pair<int, int>> periods(unsigned device, const std::string& point) {
    std::vector<std::pair<int, int>> out;
    for (const Placement& p : archive().placements("School 5"))
      if (p.device == device && p.point.point == point) out.emplace_back(p.from.hour, p.to.hour);
    return out;
  }
  std::unique_ptr<Archive> archive_;
};

// Device `device` stood at point A from 8:00 to 17:00; some of its records
// leave A (moved to B, or unassigned).
TEST_P(ArchivePlacements, RecordsLeavingAPointTakeOnlyTheirOwnPartOfItsPlacements) {
  Archive& a = archive();
  a.addObject({"School 5", "", "", ""});
  const struct {
    const char* name;
    int first, last;    // the hours that leave A
    bool unassign;      // else moved to B
    bool viaIds;        // placed at A beyond the placement, by id, first
    std::vector<std::pair<int, int>> left;  // A's placements afterwards
  } cases[] = {
      {"the end moved", 15, 17, false, false, {{8, 14}}},
      {"the start moved", 8, 9, false, false, {{10, 17}}},
      {"the middle moved", 12, 13, false, false, {{8, 11}, {14, 17}}},
      {"all moved", 8, 17, false, false, {}},
      {"the end unassigned", 16, 17, true, false, {{8, 15}}},
      {"records outside the placement moved", 19, 20, false, true, {{8, 17}}},
  };
  unsigned device = 3000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ++device;
    importDay(a, device);
    const std::string point = "A" + std::to_string(device);
    EXPECT_EQ(a.assign("School 5", {"1", "101", point}, hours(device, 8, 17), false).assigned, 10u);
    if (c.viaIds) {
      Selection later;
      a.forEachRecord(hours(device, 18, 21), [&](const StoredRecord& r) { later.recordIds.push_back(r.id); });
      a.assign("School 5", {"1", "101", point}, later, false);
    }
    ASSERT_EQ(periods(device, point), (std::vector<std::pair<int, int>>{{8, 17}}));
    if (c.unassign)
      a.unassign(hours(device, c.first, c.last));
    else
      EXPECT_EQ(a.assign("School 5", {"1", "101", "B"}, hours(device, c.first, c.last), true).moved,
                static_cast<std::uint64_t>(c.last - c.first + 1));
    EXPECT_EQ(periods(device, point), c.left);
    // Every record still at A stands within one of its placements.
    Selection atA;
    atA.object = "School 5";
    atA.point = point;
    atA.device = device;
    a.forEachRecord(atA, [&](const StoredRecord& r) {
      const int h = cli::recordDateTime(r.record).hour;
      if (h > 17) return;  // placed by id, beyond the placement
      bool held = false;
      for (const auto& [from, to] : c.left) held = held || (from <= h && h <= to);
      EXPECT_TRUE(held) << "hour " << h;
    });
  }
}

TEST_P(ArchivePlacements, ARefusalToMoveCountsTheRecordsAtEachPoint) {
  Archive& a = archive();
  a.addObject({"School 5", "", "", ""});
  importDay(a, 7);
  a.assign("School 5", {"1", "101", "A"}, hours(7, 0, 1), false);
  a.assign("School 5", {"", "102", ""}, hours(7, 2, 2), false);
  try {
    a.assign("School 5", {"1", "101", "C"}, hours(7, 0, 5), false);
    ADD_FAILURE() << "the move was not refused";
  } catch (const RecordsElsewhere& e) {
    EXPECT_EQ(e.records(), 3u);
    ASSERT_EQ(e.points().size(), 2u);
    EXPECT_EQ(e.points()[0].point, (PointName{"1", "101", "A"}));
    EXPECT_EQ(e.points()[0].records, 2u);
    EXPECT_EQ(e.points()[1].point, (PointName{"", "102", ""}));
    EXPECT_EQ(e.points()[1].records, 1u);
    EXPECT_EQ(std::string(e.what()),
              "3 of the records stand at other points: School 5 / floor 1 / 101 / A (2), School 5 / 102 (1); "
              "not at School 5 / floor 1 / 101 / C: give --move to move them");
  }
  Selection atC;
  atC.point = "C";
  EXPECT_EQ(a.countRecords(atC), 0u) << "a refusal changes nothing";
}

TEST_P(ArchivePlacements, APlacementIsCorrectedAndRemovedByItsId) {
  Archive& a = archive();
  a.addObject({"School 5", "", "", ""});
  importDay(a, 7);
  a.assign("School 5", {"1", "101", "A"}, hours(7, 8, 17), false);
  a.assign("School 5", {"1", "101", "A"}, hours(7, 18, 20), false);
  const std::vector<Placement> before = a.placements("School 5");
  ASSERT_EQ(before.size(), 2u);
  const std::int64_t id = before[0].id;

  PlacementChange change;
  change.point = PointName{"2", "201", ""};
  change.to = hour(12);
  const Placement changed = a.changePlacement(id, change);
  EXPECT_EQ(changed.point, (PointName{"2", "201", ""}));
  EXPECT_EQ(a.placement(id)->to, hour(12));
  EXPECT_EQ(a.placement(id)->from, hour(8));

  const struct {
    const char* name;
    PlacementChange change;
    std::string code;
  } refused[] = {
      {"ends before it starts", {std::nullopt, std::nullopt, hour(13), std::nullopt}, "dates_reversed"},
      {"a point without a room", {std::nullopt, PointName{"1", "", "A"}, std::nullopt, std::nullopt}, "room_missing"},
      {"the other one's twin",
       {std::nullopt, PointName{"1", "101", "A"}, hour(18), hour(20)}, "placement_exists"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.name);
    try {
      a.changePlacement(id, r.change);
      ADD_FAILURE() << "taken";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), r.code) << e.what();
    }
    EXPECT_EQ(a.placement(id)->to, hour(12)) << "a refusal changes nothing";
  }
  a.removePlacement(id);
  EXPECT_FALSE(a.placement(id));
  EXPECT_EQ(a.placements("School 5").size(), 1u);
  EXPECT_THROW(a.removePlacement(id), ArchiveError);
  EXPECT_THROW(a.changePlacement(id, change), ArchiveError);
  Selection all;
  all.object = "School 5";
  EXPECT_EQ(a.countRecords(all), 13u) << "the records stay at their points";
}

}  // namespace

INSTANTIATE_BACKENDS(ArchivePlacements);

}  // namespace zel::archive::test
