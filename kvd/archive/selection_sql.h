// A selection of records as SQL: the condition over the stored records
// (alias r), their points (p) and objects (o), with its values bound in
// order. Both databases read the same text.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"

namespace zel::archive {

// " FROM" the stored records (r) with their points (p) and objects (o): an
// inner join when the selection names an object or a place, so that the
// database starts from the object's points rather than from every record.
std::string recordJoins(const Selection& selection);

// "YYYY-MM-DD hh:mm:ss", as both databases compare it.
std::string timestampText(const DateTime& t);

class BoundSql {
 public:
  // Appends `$N` for a new value and returns *this, so that conditions read
  // as they are built.
  BoundSql& text(std::string value);
  BoundSql& integer(std::int64_t value);
  BoundSql& sql(std::string_view text) {
    sql_ += text;
    return *this;
  }
  const std::string& sqlText() const { return sql_; }
  const std::vector<Value>& values() const { return values_; }

 private:
  std::string sql_;
  std::deque<std::string> texts_;  // the bound texts, which the values view
  std::vector<Value> values_;
};

// The columns a StoredRecord is read from, with its first file (alias i),
// and the reading of one such row.
inline constexpr const char* kStoredRecordColumns =
    "SELECT r.record_id, r.raw, o.name, p.floor, p.room, p.point, i.path, r.first_index";
inline constexpr const char* kFirstImportJoin = " JOIN imports i ON i.import_id = r.first_import_id";
void readStoredRecord(const Row& row, StoredRecord& record);

// Appends " WHERE …" (or nothing when the selection is empty) to `out`.
void appendSelection(const Selection& selection, BoundSql& out);

}  // namespace zel::archive
