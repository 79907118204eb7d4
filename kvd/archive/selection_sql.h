// A selection of records as SQL: the condition over the stored records
// (alias r), their points (p) and objects (o), with its values bound in
// order. Both databases read the same text.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"

namespace zel::archive {

// The joins that every record query takes: a record's point and object.
inline constexpr const char* kRecordJoins =
    " FROM stored_records r LEFT JOIN points p ON p.point_id = r.point_id"
    " LEFT JOIN objects o ON o.object_id = p.object_id";

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

// Appends " WHERE …" (or nothing when the selection is empty) to `out`.
void appendSelection(const Selection& selection, BoundSql& out);

}  // namespace zel::archive
