// A stored record as the API gives it: the record browser's list texts for
// the row, every named field as kvd show gives it for the record's page.
#pragma once

#include "kvd/archive/archive.h"
#include "kvd/serve/json_io.h"

namespace zel::serve {

// The record of that id; 404 when the archive has none.
archive::StoredRecord storedRecord(archive::Archive& archive, std::int64_t id);

// The mode's name and the units in the words of `lang` (page_words.h).
Json recordRow(const archive::StoredRecord& record, const std::string& lang);
// The row with "fields" (each with its "label" for people), "results" (the
// results of its page, named in `lang`), "sightings", "has_page" and
// "has_spectrum".
Json recordDetail(const archive::StoredRecord& record, const std::vector<archive::Sighting>& sightings,
                  const std::string& lang);

}  // namespace zel::serve
