#include "kvd/archive/selection_sql.h"

#include <cstdio>

namespace zel::archive {

std::string timestampText(const DateTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

BoundSql& BoundSql::text(std::string value) {
  texts_.push_back(std::move(value));
  values_.push_back(Value::ofText(texts_.back()));
  sql_ += "$" + std::to_string(values_.size());
  return *this;
}

BoundSql& BoundSql::integer(std::int64_t value) {
  values_.push_back(Value::of(value));
  sql_ += "$" + std::to_string(values_.size());
  return *this;
}

std::string recordJoins(const Selection& s) {
  const char* join = s.object || s.floor || s.room || s.point ? " JOIN " : " LEFT JOIN ";
  return std::string(" FROM stored_records r") + join + "points p ON p.point_id = r.point_id" + join +
         "objects o ON o.object_id = p.object_id";
}

std::string recordSource(const Selection& s, bool withPlaces) {
  if (withPlaces || s.object || s.floor || s.room || s.point) return recordJoins(s);
  return " FROM stored_records r";
}

bool Selection::any() const {
  return object || floor || room || point || device || from || to || !modes.empty() || unassigned ||
         !recordIds.empty() || !importIds.empty();
}

void appendCount(const Selection& selection, BoundSql& out) {
  out.sql("SELECT count(*)").sql(recordSource(selection));
  appendSelection(selection, out);
}

void appendSelection(const Selection& s, BoundSql& out) {
  bool first = true;
  auto next = [&]() -> BoundSql& { return out.sql(first ? (first = false, " WHERE ") : " AND "); };
  if (s.object) next().sql("o.name = ").text(*s.object);
  if (s.floor) next().sql("p.floor = ").text(*s.floor);
  if (s.room) next().sql("p.room = ").text(*s.room);
  if (s.point) next().sql("p.point = ").text(*s.point);
  if (s.device) next().sql("r.device_number = ").integer(*s.device);
  if (s.from) next().sql("r.date_time >= ").text(timestampText(*s.from));
  if (s.to) next().sql("r.date_time <= ").text(timestampText(*s.to));
  if (s.unassigned) next().sql("r.point_id IS NULL");
  auto list = [&](const char* column, const auto& items) {
    next().sql(column).sql(" IN (");
    for (std::size_t k = 0; k < items.size(); ++k) {
      if (k) out.sql(", ");
      out.integer(static_cast<std::int64_t>(items[k]));
    }
    out.sql(")");
  };
  if (!s.modes.empty()) list("r.mode", s.modes);
  if (!s.recordIds.empty()) list("r.record_id", s.recordIds);
  if (!s.importIds.empty()) {
    // The records of the imports' runs, found by their ids.
    next().sql("r.record_id IN (SELECT seen.record_id FROM sighting_runs s JOIN stored_records seen ON "
               "seen.record_id BETWEEN s.record_id AND s.record_id + s.records - 1 WHERE s.import_id IN (");
    for (std::size_t k = 0; k < s.importIds.size(); ++k) {
      if (k) out.sql(", ");
      out.integer(s.importIds[k]);
    }
    out.sql(")");
    if (!s.indexes.empty()) {
      out.sql(" AND (");
      for (std::size_t k = 0; k < s.indexes.size(); ++k) {
        if (k) out.sql(" OR ");
        out.sql("s.first_index + (seen.record_id - s.record_id) BETWEEN ")
            .integer(static_cast<std::int64_t>(s.indexes[k].first))
            .sql(" AND ")
            .integer(static_cast<std::int64_t>(s.indexes[k].last));
      }
      out.sql(")");
    }
    out.sql(")");
  }
}

}  // namespace zel::archive
