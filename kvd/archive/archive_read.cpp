// Reading the archive: the selected records in date order, the files a
// record came in, the imports.
#include <cstring>

#include "kvd/archive/archive.h"
#include "kvd/archive/selection_sql.h"

namespace zel::archive {

std::vector<Sighting> Archive::where(std::int64_t recordId) {
  std::vector<Sighting> out;
  // The runs that hold it start at most kMaxSightingRun - 1 records before it.
  const Value id[] = {Value::of(recordId), Value::of(recordId - (kMaxSightingRun - 1))};
  db_->run("SELECT i.import_id, i.path, i.absolute_path, s.first_index + ($1 - s.record_id) AS record_index, "
           "i.imported_at, i.user_name, i.host "
           "FROM sighting_runs s JOIN imports i ON i.import_id = s.import_id "
           "WHERE s.record_id BETWEEN $2 AND $1 AND s.record_id + s.records > $1 "
           "ORDER BY i.import_id, record_index",
           id, [&](const Row& row) {
             out.push_back({row.integer(0), row.text(1), row.text(2), static_cast<std::uint64_t>(row.integer(3)),
                            row.text(4), row.text(5), row.text(6)});
           });
  return out;
}

bool Archive::hasRecord(std::int64_t recordId) {
  bool found = false;
  const Value id[] = {Value::of(recordId)};
  db_->run("SELECT 1 FROM stored_records WHERE record_id = $1", id, [&](const Row&) { found = true; });
  return found;
}

std::vector<ImportSummary> Archive::lastImports(std::size_t count) {
  std::vector<ImportSummary> out;
  const Value limit[] = {Value::of(static_cast<std::int64_t>(count))};
  db_->run("SELECT import_id, path, imported_at, records, new_records, known_records FROM imports "
           "ORDER BY import_id DESC LIMIT $1",
           limit, [&](const Row& row) {
             out.push_back({row.integer(0), row.text(1), row.text(2), static_cast<std::uint64_t>(row.integer(3)),
                            static_cast<std::uint64_t>(row.integer(4)), static_cast<std::uint64_t>(row.integer(5))});
           });
  return out;
}

std::vector<std::int64_t> Archive::importsOf(const std::string& sha256, const std::string& absolutePath) {
  std::vector<std::int64_t> out;
  const Value values[] = {Value::ofText(sha256), Value::ofText(absolutePath)};
  db_->run("SELECT import_id FROM imports WHERE sha256 = $1 OR absolute_path = $2 ORDER BY import_id", values,
           [&](const Row& row) { out.push_back(row.integer(0)); });
  return out;
}

void readStoredRecord(const Row& row, StoredRecord& record) {
  record.id = row.integer(0);
  const std::string raw = row.blob(1);
  record.record.bytes.fill(0);
  std::memcpy(record.record.bytes.data(), raw.data(), std::min(raw.size(), kRecordSize));
  record.object = row.text(2);
  record.point = {row.text(3), row.text(4), row.text(5)};
  record.firstFile = row.text(6);
  record.firstIndex = static_cast<std::uint64_t>(row.integer(7));
}

void Archive::forEachRecord(const Selection& selection, const std::function<void(const StoredRecord&)>& onRecord) {
  BoundSql q;
  q.sql(kStoredRecordColumns).sql(recordJoins(selection)).sql(kFirstImportJoin);
  appendSelection(selection, q);
  q.sql(" ORDER BY r.date_time IS NULL, r.date_time, r.record_id");
  StoredRecord record;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) {
    readStoredRecord(row, record);
    onRecord(record);
  });
}

std::uint64_t Archive::countRecords(const Selection& selection) {
  BoundSql q;
  appendCount(selection, q);
  std::uint64_t count = 0;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) { count = static_cast<std::uint64_t>(row.integer(0)); });
  return count;
}

}  // namespace zel::archive
