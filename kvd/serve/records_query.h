// Which records a request means: the filter of GET /api/records (its query
// parameters) or the "filter" object of a POST, as the archive's Selection,
// every bad value refused with 400 naming its parameter.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"
#include "kvd/serve/json_io.h"

namespace zel::serve {

inline constexpr std::uint64_t kMaxPageRows = 500;

struct RecordsQuery {
  archive::Selection selection;
  archive::SortKey sort = archive::SortKey::Date;
  bool descending = false;
  std::uint64_t offset = 0;
  std::uint64_t limit = 100;
};

// Parameters by name, each with every value given (mode may repeat).
using QueryParameters = std::multimap<std::string, std::string>;

// A query parameter's whole number from 0 to `max`; 400 "bad_number"
// naming it otherwise.
std::uint64_t queryNumber(const std::string& key, const std::string& text, std::uint64_t max);

// `paging`: sort, dir, offset and limit are taken too (GET /api/records).
RecordsQuery parseRecordsQuery(const QueryParameters& parameters, bool paging, archive::Archive& archive);
// "sort" (date, mode, value, device, point, id) and "dir" (asc, desc) as
// the list's order; an empty text is the default (date, ascending).
archive::RecordOrder parseOrder(const std::string& sort, const std::string& dir);
// A POST's "records": [ids] or "filter": {…}; one of them is required.
archive::Selection parseRecordChoice(const Json& body, archive::Archive& archive);

// The object a request names: a JSON number is its id, a text its name.
// 404 when there is none.
archive::ObjectSummary findObject(archive::Archive& archive, const Json& object);
archive::ObjectSummary findObjectById(archive::Archive& archive, std::int64_t id);

}  // namespace zel::serve
