// The archive's objects, imports and devices as the API and the pages'
// initial data give them.
#pragma once

#include "kvd/archive/archive.h"
#include "kvd/serve/json_io.h"

namespace zel::serve {

Json objectJson(const archive::ObjectSummary& object);
// GET /api/archive: the counts, the objects, the last 20 imports.
Json archiveJson(archive::Archive& archive);
// GET /api/objects/{id}: the object with its placements and the series of
// its points for the charts.
Json objectDetailJson(archive::Archive& archive, const archive::ObjectSummary& object);
Json devicesJson(archive::Archive& archive);

}  // namespace zel::serve
