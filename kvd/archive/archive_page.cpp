// A page of records in the order a list asks for: the database sorts and
// cuts, so that only the rows shown are read and decoded.
#include "kvd/archive/archive.h"
#include "kvd/archive/selection_sql.h"

namespace zel::archive {

namespace {

std::string orderBy(SortKey key, bool descending) {
  const std::string dir = descending ? " DESC" : "";
  std::string first;
  switch (key) {
    case SortKey::Date: first = "r.date_time" + dir; break;
    case SortKey::Mode: first = "r.mode" + dir; break;
    case SortKey::Value: first = "r.value" + dir; break;
    case SortKey::Device: first = "r.device_number" + dir; break;
    case SortKey::Point: first = "o.name" + dir + ", p.floor" + dir + ", p.room" + dir + ", p.point" + dir; break;
    case SortKey::Id: return " ORDER BY r.record_id" + dir;
  }
  return " ORDER BY " + first + ", r.record_id" + dir;
}

}  // namespace

RecordPage Archive::recordPage(const Selection& selection, SortKey key, bool descending, std::uint64_t offset,
                               std::uint64_t limit) {
  RecordPage page;
  page.total = countRecords(selection);
  if (offset >= page.total || limit == 0) return page;
  BoundSql q;
  q.sql(kStoredRecordColumns).sql(recordJoins(selection)).sql(kFirstImportJoin);
  appendSelection(selection, q);
  q.sql(orderBy(key, descending)).sql(" LIMIT ").integer(static_cast<std::int64_t>(limit));
  q.sql(" OFFSET ").integer(static_cast<std::int64_t>(offset));
  db_->run(q.sqlText(), q.values(), [&](const Row& row) { readStoredRecord(row, page.rows.emplace_back()); });
  return page;
}

std::vector<std::uint32_t> Archive::deviceNumbers() {
  std::vector<std::uint32_t> out;
  db_->run("SELECT DISTINCT device_number FROM stored_records ORDER BY device_number", {},
           [&](const Row& row) { out.push_back(static_cast<std::uint32_t>(row.integer(0))); });
  return out;
}

}  // namespace zel::archive
