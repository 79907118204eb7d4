// The archive's schema, the same in both databases but for the names of a
// few types, and its history: migration N makes version N of version N - 1,
// so that a newer kvd upgrades an older archive step by step.
//
// Version 1: the imports, the stored records, where each was seen, the
// objects and their points. Version 2: the devices with their
// verification, the placements, and the view `records`. Version 3: the
// indexes of the records list. Version 4: the same contents imported again
// from another path are an import of their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kvd/archive/database.h"

namespace zel::archive::schema {

enum class Type { Integer, Real, Number, Text, Timestamp };

// The columns of the stored record that say what it means, as kvd export
// gives them from "Date and time" on: date_time, mode, mode_name, value,
// error, unit, every named field in snake case (device_number … fd), then
// window_sum1 … window_sum4.
struct Column {
  std::string name;
  Type type;
};
const std::vector<Column>& meaningColumns();

// "deviceNumber" → "device_number", "countN1" → "count_n1".
std::string snakeCase(std::string_view name);

// The statements of migration `version` (1 … kSchemaVersion).
std::vector<std::string> migration(int version, Dialect dialect);

// Whether the database holds tables, and the schema version written in
// archive_info (0 when it has none).
bool hasTables(Database& db);
int storedVersion(Database& db);

}  // namespace zel::archive::schema
