// The audit trail on SQLite and PostgreSQL: every kind of change writes its
// entry (action, target, what it was before and after), the entries chain
// by their hashes, a refused change or one that changes nothing writes
// none, and two changers at once give one chain without gaps or forks.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <thread>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_json.h"
#include "kvd/archive/location.h"
#include "kvd/archive/schema.h"
#include "tests/archive/backend_fixture.h"
#include "tests/archive/day_records.h"

namespace zel::archive::test {

namespace {

using Keys = std::vector<std::string>;

Keys keysOf(const std::string& json) {
  Keys out;
  if (json.empty()) return out;
  const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(json);
  for (const auto& [key, value] : parsed.items()) out.push_back(key);
  return out;
}

// Every entry follows the one before it: ids 1, 2, 3, …, each previous hash
// the hash of the entry before (zeros for the first), each hash its own.
void expectChain(const std::vector<AuditEntry>& entries) {
  std::string previous(64, '0');
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const AuditEntry& e = entries[k];
    EXPECT_EQ(e.id, static_cast<std::int64_t>(k + 1));
    EXPECT_EQ(e.previousHash, previous) << "entry " << e.id;
    EXPECT_EQ(auditEntryHash(e), e.hash) << "entry " << e.id;
    previous = e.hash;
  }
}

class AuditTrail : public BackendTest {
 protected:
  Archive& archive() {
    if (!archive_) archive_ = std::make_unique<Archive>(freshDatabase());
    return *archive_;
  }
  std::vector<AuditEntry> entries() { return archive().auditLog({}); }
  std::unique_ptr<Archive> archive_;
};

TEST_P(AuditTrail, EachKindOfChangeWritesItsEntry) {
  // An archive of schema 4, which opening upgrades.
  std::unique_ptr<Database> old = freshDatabase();
  for (int v = 1; v <= 4; ++v)
    for (const std::string& s : schema::migration(v, old->dialect())) old->run(s);
  old->run("INSERT INTO archive_info (key, value) VALUES ('schema_version', '4')");
  archive_ = std::make_unique<Archive>(std::move(old));
  Archive& a = archive();
  a.setActor({"anna", "the March survey"});
  const Keys place = {"object", "floor", "room", "point", "records", "count", "already", "point_created"};
  auto with = [](Keys keys, const Keys& more) {
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
  };
  const Keys object = {"name", "address", "client", "notes", "kind"};
  const Keys placement = {"id", "object", "floor", "room", "point", "device", "from", "to"};
  const PointName a12{"2", "12", "A"};
  // A placement's id differs between the databases once placements were
  // cut: its target is taken when it is changed.
  std::string placementAt;
  auto placementOfA = [&] {
    for (const Placement& p : a.placements("School 5"))
      if (p.point.point == "A") {
        placementAt = "School 5 / placement " + std::to_string(p.id);
        return p.id;
      }
    return std::int64_t{0};
  };
  const struct {
    const char* action;
    std::string target;  // empty: placementAt
    Keys before, after;
    std::function<void()> change;
  } cases[] = {
      {"archive.upgrade", "archive", {"schema_version"}, {"schema_version"}, [] {}},
      {"import", "device7.kvd", {}, {"sha256", "records", "new", "known", "path", "absolute_path"},
       [&] { importDay(a, 7); }},
      {"object.add", "School 5", {}, object, [&] { a.addObject({"School 5", "", "", ""}); }},
      {"object.edit", "School 5", object, object,
       [&] { a.editObject("School 5", {std::nullopt, "Lenina 1", std::nullopt, std::nullopt}); }},
      {"device.set", "device 7", {}, {"number", "model", "certificate", "verified_from", "verified_until", "type",
                                     "serial", "stated_error"},
       [&] { a.setDevice({7, "KAMERA-01", "No 12", "2024-01-01", "2024-12-31"}); }},
      {"records.assign", "School 5 / floor 2 / room 12 / point A", {"unassigned"}, with(place, {"placement"}),
       [&] { a.assign("School 5", a12, hours(7, 8, 17), false); }},
      {"records.move", "School 5 / floor 2 / room 12 / point B", {"points"},
       with(place, {"placement", "placements_cut"}),
       [&] { a.assign("School 5", {"2", "12", "B"}, hours(7, 15, 17), true); }},
      {"records.unassign", "School 5 / floor 2 / room 12 / point A", with({"object", "floor", "room", "point"}, {"records", "count"}),
       {"unassigned", "placements_cut"}, [&] { a.unassign(hours(7, 8, 9)); }},
      {"placement.change", "", placement, placement,
       [&] { a.changePlacement(placementOfA(), {std::nullopt, std::nullopt, std::nullopt, hour(13)}); }},
      {"placement.remove", "", placement, {}, [&] { a.removePlacement(placementOfA()); }},
      {"plan.apply", "Clinic / room 1", {"unassigned"}, with({"line"}, with(place, {"placement"})),
       [&] {
         a.assignPlan({{4, "Clinic", "Mira 3", {"", {"", "1", ""}, 7, hour(0), hour(5), 0}}}, false);
       }},
      {"object.remove", "School 5", with(object, {"points", "placements"}), {"unassigned"},
       [&] { a.removeObject("School 5", true); }},
      {"archive.backup", "/backups/march.sqlite", {}, {"file"},
       [&] { a.audit("archive.backup", "/backups/march.sqlite", "", R"({"file":"/backups/march.sqlite"})"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    c.change();
    const std::vector<AuditEntry> log = a.auditLog({std::nullopt, std::nullopt, std::nullopt, 1});
    ASSERT_EQ(log.size(), 1u);
    const AuditEntry& e = log.back();
    EXPECT_EQ(e.action, c.action);
    EXPECT_EQ(e.target, c.target.empty() ? placementAt : c.target);
    EXPECT_EQ(keysOf(e.before), c.before) << e.before;
    EXPECT_EQ(keysOf(e.after), c.after) << e.after;
    EXPECT_EQ(e.who, std::string(c.action) == "archive.upgrade" ? userAtHost() : "anna");
    EXPECT_EQ(e.reason, std::string(c.action) == "archive.upgrade" ? "" : "the March survey");
  }
  const std::vector<AuditEntry> all = entries();
  expectChain(all);
  // The plan made its object first; the move's entry names the records by
  // their ids, and where they were.
  EXPECT_EQ(all[all.size() - 4].action, "object.add");
  EXPECT_EQ(all[all.size() - 4].target, "Clinic");
  const nlohmann::json moved = nlohmann::json::parse(all[6].after);
  // PostgreSQL numbers the records of a file in an order of its own.
  std::vector<std::int64_t> ids;
  a.forEachRecord(hours(7, 15, 17), [&](const StoredRecord& r) { ids.push_back(r.id); });
  EXPECT_EQ(moved["records"], postgres() ? audit::idRanges(ids) : "16-18");
  EXPECT_EQ(moved["count"], 3);
  EXPECT_EQ(nlohmann::json::parse(all[6].before)["points"][0]["point"], "A");
  EXPECT_EQ(moved["placements_cut"][0]["kept"], nlohmann::json::parse(R"([{"from": "2024-03-01 08:00:00",
                                                                           "to": "2024-03-01 14:00:00"}])"));
}

TEST_P(AuditTrail, ObjectFilterFindsItsPointsAndPlacementsOnly) {
  Archive& a = archive();
  importDay(a, 7);
  for (const char* name : {"School 5", "School 50", "School_5%"}) a.addObject({name, "", "", ""});
  a.assign("School 5", {"", "1", ""}, hours(7, 0, 3), false);
  a.assign("School 50", {"", "1", ""}, hours(7, 4, 5), false);
  a.assign("School_5%", {"", "1", ""}, hours(7, 6, 7), false);
  a.removePlacement(a.placements("School 5").at(0).id);
  auto targets = [&](AuditFilter filter) {
    std::vector<std::string> out;
    for (const AuditEntry& e : a.auditLog(filter)) out.push_back(e.action + " " + e.target);
    return out;
  };
  EXPECT_EQ(targets({std::string("School 5"), std::nullopt, std::nullopt, 0}),
            (std::vector<std::string>{"object.add School 5", "records.assign School 5 / room 1",
                                      "placement.remove School 5 / placement 1"}));
  EXPECT_EQ(targets({std::string("School_5%"), std::nullopt, std::nullopt, 0}),
            (std::vector<std::string>{"object.add School_5%", "records.assign School_5% / room 1"}));
  EXPECT_EQ(targets({std::string("School 5"), std::nullopt, std::nullopt, 2}),
            (std::vector<std::string>{"records.assign School 5 / room 1", "placement.remove School 5 / placement 1"}));
  EXPECT_TRUE(targets({std::nullopt, std::string("someone else"), std::nullopt, 0}).empty());
  EXPECT_EQ(targets({std::nullopt, userAtHost(), std::nullopt, 0}).size(), 8u);
  EXPECT_TRUE(targets({std::nullopt, std::nullopt, std::string("2999-01-01 00:00:00"), 0}).empty());
  EXPECT_EQ(targets({std::nullopt, std::nullopt, std::string("2000-01-01 00:00:00"), 0}).size(), 8u);
}

TEST_P(AuditTrail, ARefusedChangeOrOneThatChangesNothingWritesNoEntry) {
  Archive& a = archive();
  importDay(a, 7);
  a.addObject({"School 5", "Lenina 1", "", ""});
  a.assign("School 5", {"", "1", ""}, hours(7, 0, 5), false);
  a.setDevice({7, "KAMERA-01", "", "", ""});
  const std::size_t before = entries().size();
  const struct {
    const char* name;
    std::function<void()> change;
    bool refused;
  } cases[] = {
      {"records at another point, no move", [&] { a.assign("School 5", {"", "2", ""}, hours(7, 0, 1), false); }, true},
      {"an object twice", [&] { a.addObject({"School 5", "", "", ""}); }, true},
      {"an object with records", [&] { a.removeObject("School 5", false); }, true},
      {"a placement reversed", [&] { a.changePlacement(1, {std::nullopt, std::nullopt, hour(9), hour(8)}); }, true},
      {"no such placement", [&] { a.removePlacement(99); }, true},
      {"a verification reversed", [&] { a.setDevice({7, "", "", "2024-02-01", "2024-01-01"}); }, true},
      {"the same file again", [&] { importDay(a, 7); }, false},
      {"the same address", [&] { a.editObject("School 5", {std::nullopt, "Lenina 1", std::nullopt, std::nullopt}); },
       false},
      {"the same device", [&] { a.setDevice({7, "KAMERA-01", "", "", ""}); }, false},
      {"records already there", [&] { a.assign("School 5", {"", "1", ""}, hours(7, 0, 5), false); }, false},
      {"no records to unassign", [&] { a.unassign(hours(7, 20, 23)); }, false},
  };
  for (const auto& c : cases) {
    if (c.refused) EXPECT_THROW(c.change(), ArchiveError) << c.name;
    else EXPECT_NO_THROW(c.change()) << c.name;
    EXPECT_EQ(entries().size(), before) << c.name;
  }
}

TEST_P(AuditTrail, TwoChangersAtOnceGiveOneChain) {
  Archive& first = archive();
  Archive second(secondConnection());
  constexpr int kEach = 25;
  auto changes = [](Archive& a, const std::string& who, bool objects) {
    a.setActor({who, ""});
    for (int k = 0; k < kEach; ++k) {
      if (objects) a.addObject({"Object " + std::to_string(k), "", "", ""});
      else a.setDevice({static_cast<std::uint32_t>(k + 1), "model " + std::to_string(k), "", "", ""});
    }
  };
  std::thread other([&] { changes(second, "boris", false); });
  changes(first, "anna", true);
  other.join();
  const std::vector<AuditEntry> all = entries();
  ASSERT_EQ(all.size(), 2u * kEach);
  expectChain(all);
  std::size_t anna = 0;
  for (const AuditEntry& e : all) anna += e.who == "anna" ? 1 : 0;
  EXPECT_EQ(anna, static_cast<std::size_t>(kEach));
}

}  // namespace

INSTANTIATE_BACKENDS(AuditTrail);

}  // namespace zel::archive::test
