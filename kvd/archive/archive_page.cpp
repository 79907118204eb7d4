// A page of records in the order a list asks for: the database sorts and
// cuts the ids alone (an index does it without reading a record), then
// only the rows shown are read and decoded. A list turning its pages asks
// for the same total again and again: on SQLite it is counted once while
// nothing changes. Every record of a list in its order, for its export.
#include <unordered_map>

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

constexpr std::size_t kMaxPageTotals = 256;

std::string totalKey(const BoundSql& q) {
  std::string key = q.sqlText();
  for (const Value& v : q.values()) {
    key += '\x1f';
    key += v.kind == Value::Kind::Integer ? std::to_string(v.integer) : std::string(v.bytes);
  }
  return key;
}

}  // namespace

std::uint64_t Archive::pageTotal(const Selection& selection) {
  if (db_->dialect() != Dialect::Sqlite) return countRecords(selection);
  // data_version changes when another connection commits, total_changes()
  // when this one changes anything.
  std::pair<std::int64_t, std::int64_t> mark{-1, -1};
  db_->run("PRAGMA data_version", {}, [&](const Row& row) { mark.first = row.integer(0); });
  db_->run("SELECT total_changes()", {}, [&](const Row& row) { mark.second = row.integer(0); });
  if (mark != pageTotalsMark_ || pageTotals_.size() > kMaxPageTotals) {
    pageTotals_.clear();
    pageTotalsMark_ = mark;
  }
  BoundSql q;
  appendCount(selection, q);
  const std::string key = totalKey(q);
  if (const auto it = pageTotals_.find(key); it != pageTotals_.end()) return it->second;
  std::uint64_t count = 0;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) { count = static_cast<std::uint64_t>(row.integer(0)); });
  pageTotals_[key] = count;
  return count;
}

RecordPage Archive::recordPage(const Selection& selection, SortKey key, bool descending, std::uint64_t offset,
                               std::uint64_t limit) {
  RecordPage page;
  page.total = pageTotal(selection);
  if (offset >= page.total || limit == 0) return page;
  BoundSql ids;
  ids.sql("SELECT r.record_id").sql(recordSource(selection, key == SortKey::Point));
  appendSelection(selection, ids);
  ids.sql(orderBy(key, descending)).sql(" LIMIT ").integer(static_cast<std::int64_t>(limit));
  ids.sql(" OFFSET ").integer(static_cast<std::int64_t>(offset));
  Selection chosen;
  db_->run(ids.sqlText(), ids.values(), [&](const Row& row) { chosen.recordIds.push_back(row.integer(0)); });
  if (chosen.recordIds.empty()) return page;
  std::unordered_map<std::int64_t, std::size_t> position;
  for (std::size_t k = 0; k < chosen.recordIds.size(); ++k) position[chosen.recordIds[k]] = k;
  page.rows.resize(chosen.recordIds.size());
  BoundSql q;
  q.sql(kStoredRecordColumns).sql(recordJoins(chosen)).sql(kFirstImportJoin);
  appendSelection(chosen, q);
  StoredRecord record;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) {
    readStoredRecord(row, record);
    page.rows[position.at(record.id)] = record;
  });
  return page;
}

void Archive::forEachRecord(const Selection& selection, const RecordOrder& order,
                            const std::function<void(const StoredRecord&)>& onRecord) {
  BoundSql q;
  q.sql(kStoredRecordColumns).sql(recordJoins(selection)).sql(kFirstImportJoin);
  appendSelection(selection, q);
  q.sql(orderBy(order.key, order.descending));
  StoredRecord record;
  db_->run(q.sqlText(), q.values(), [&](const Row& row) {
    readStoredRecord(row, record);
    onRecord(record);
  });
}

std::vector<std::uint32_t> Archive::deviceNumbers() {
  std::vector<std::uint32_t> out;
  db_->run("SELECT DISTINCT device_number FROM stored_records ORDER BY device_number", {},
           [&](const Row& row) { out.push_back(static_cast<std::uint32_t>(row.integer(0))); });
  return out;
}

}  // namespace zel::archive
