// The archive's objects, imports and devices as the API and the pages'
// initial data give them.
#pragma once

#include <optional>

#include "kvd/archive/archive.h"
#include "kvd/serve/json_io.h"

namespace zel::serve {

Json objectJson(const archive::ObjectSummary& object);
// GET /api/archive: the counts, the objects, the last 20 imports.
Json archiveJson(archive::Archive& archive);
// GET /api/objects/{id}: the object with its placements and the series of
// its points for the charts, their units in the words of `lang`.
Json objectDetailJson(archive::Archive& archive, const archive::ObjectSummary& object, const std::string& lang);
// {"id", "floor", "room", "point", "device", "from", "to"}, times as
// "YYYY-MM-DD hh:mm:ss".
Json placementJson(const archive::Placement& placement);
// Every device of the archive, those whose records it holds and those with
// data, by number.
Json devicesJson(archive::Archive& archive);
Json deviceJson(const archive::DeviceInfo& device);
// A device of the archive as devicesJson lists it; none when it lists none.
std::optional<archive::DeviceInfo> findDevice(archive::Archive& archive, std::int64_t number);

}  // namespace zel::serve
