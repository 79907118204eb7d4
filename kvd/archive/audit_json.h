// What the archive's own changes write into the audit trail: the same
// targets and the same JSON shapes of objects, points, placements, devices
// and lists of records in every entry, so that a lab reads them alike.
//
// Targets: an object's entries name the object ("School 5"); its points
// and placements name the object first, then " / ": "School 5 / floor 2 /
// room 12 / point A" (floor and point only when they have names), "School 5
// / placement 7". `kvd archive log --object "School 5"` finds them all. An
// import names the file as given, an instrument "device 1234", the schema
// "archive".
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "kvd/archive/archive.h"

namespace zel::archive::audit {

using Json = nlohmann::ordered_json;

std::string pointTarget(const std::string& object, const PointName& point);
std::string placementTarget(const std::string& object, std::int64_t id);
std::string deviceTarget(std::uint32_t number);

// Record ids as ranges in ascending order, "1-500,720": an assignment of
// thousands of records stays a line.
std::string idRanges(std::vector<std::int64_t> ids);
// {"records": "1-500,720", "count": 501}
Json recordsJson(const std::vector<std::int64_t>& ids);

// {"object", "floor", "room", "point"}
Json pointJson(const std::string& object, const PointName& point);
// {"name", "address", "client", "notes", "kind"}
Json objectJson(const ObjectInfo& object);
// {"id", "object", "floor", "room", "point", "device", "from", "to"}
Json placementJson(const Placement& placement);
// {"number", "model", "certificate", "verified_from", "verified_until", "type", "serial",
// "stated_error"}
Json deviceJson(const DeviceInfo& device);

// A placement cut to the periods that still hold records when records left
// its point (kvd/archive/placing_sql.h): the placement as it was, and
// "kept": [{"from", "to"}, …], empty when it went.
struct PlacementCut {
  Placement before;
  std::vector<std::pair<std::string, std::string>> kept;
};
Json cutJson(const PlacementCut& cut);

}  // namespace zel::archive::audit
