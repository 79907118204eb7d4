// Importing a file: every record once, by its 688 bytes. The records come in
// chunks, hashed on a thread of their own while the chunk before is stored;
// per chunk those already stored are found (from the ids after the first
// known one, then by digest), the new ones are
// inserted with what they mean (the columns of the view `records`; on
// PostgreSQL with ids taken beforehand, straight into the table), and
// every record of the file is remembered as seen there, in runs of
// consecutive records. A copy of a file
// imported before, at another path, is remembered as seen there without
// being read. One file is one transaction, so an interrupted import leaves
// nothing of its file.
#include <algorithm>
#include <array>
#include <future>
#include <cstring>
#include <unordered_map>
#include <string_view>

#include "kvd/archive/archive.h"
#include "kvd/archive/audit_append.h"
#include "kvd/archive/audit_json.h"
#include "kvd/archive/location.h"
#include "kvd/archive/record_columns.h"
#include "kvd/archive/schema.h"
#include "kvd/archive/selection_sql.h"
#include "kvd/archive/sha256.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::archive {

namespace {

// Records per chunk: a statement per thousands of records, and still a few
// megabytes of memory however large the file or the archive.
constexpr std::size_t kChunk = 4096;
constexpr std::size_t kLookup = 256;
constexpr std::uint64_t kAnalyzeAfter = 10000;
// PostgreSQL's advisory lock that imports take turns by.
constexpr std::int64_t kImportLockKey = 6880690;

std::string_view digestBytes(const Digest& d) { return {reinterpret_cast<const char*>(d.data()), d.size()}; }

// The columns of a new stored record and their values, row after row. The
// values view the digest and bytes that the caller keeps until they are
// inserted, and the dates kept here: room for a chunk's, taken once. With
// `ids`, each row's record_id comes first, given by setIds() once known.
class RecordRows {
 public:
  explicit RecordRows(bool ids) : ids_(ids) {
    if (ids_) names_.push_back("record_id");
    for (const std::string_view name : {"digest", "raw", "first_import_id", "first_index"}) names_.push_back(name);
    for (const schema::Column& c : schema::meaningColumns()) names_.push_back(c.name);
    dateTimes_.resize(kChunk);
    values_.reserve(kChunk * names_.size());
  }
  const std::vector<std::string_view>& columns() const { return names_; }

  void add(const Digest& digest, const MeasurementRecord& record, std::int64_t importId, std::uint64_t index) {
    std::string& dateTime = dateTimes_.at(rows_++);
    dateTime = storedDateTime(record);
    if (ids_) values_.push_back(Value::of(std::int64_t{0}));
    values_.push_back(Value::ofBlob(digestBytes(digest)));
    values_.push_back(Value::ofBlob({reinterpret_cast<const char*>(record.bytes.data()), kRecordSize}));
    values_.push_back(Value::of(importId));
    values_.push_back(Value::of(static_cast<std::int64_t>(index)));
    appendMeaningValues(record, dateTime, windows_, values_);
  }
  bool empty() const { return values_.empty(); }
  std::size_t size() const { return rows_; }
  std::span<const Value> values() const { return values_; }
  // Ids from `first` on, one after another in the rows' order.
  void setIds(std::int64_t first) {
    for (std::size_t row = 0; row < rows_; ++row)
      values_[row * names_.size()] = Value::of(first + static_cast<std::int64_t>(row));
  }
  void clear() {
    rows_ = 0;
    values_.clear();
  }

 private:
  bool ids_;
  std::vector<std::string_view> names_;
  std::vector<std::string> dateTimes_;  // never resized: the values view them
  std::size_t rows_ = 0;
  std::vector<Value> values_;
  cli::WindowSumCalculator windows_;
};

// A digest is uniformly random: its first eight bytes are hash enough.
struct DigestHash {
  std::size_t operator()(const Digest& d) const {
    std::uint64_t h;
    std::memcpy(&h, d.data(), sizeof h);
    return static_cast<std::size_t>(h);
  }
};
using IdsByDigest = std::unordered_map<Digest, std::int64_t, DigestHash>;

// A row (digest, record_id) remembered.
void keepId(const Row& row, IdsByDigest& ids) {
  const std::string bytes = row.blob(0);
  Digest d{};
  if (bytes.size() == d.size()) {
    std::copy(bytes.begin(), bytes.end(), d.begin());
    ids[d] = row.integer(1);
  }
}

// The stored ids of those of `digests` that the archive holds.
void findStored(Database& db, std::vector<Digest> digests, IdsByDigest& out) {
  if (digests.empty()) return;
  // In the index's order, each look-up starts where the one before ended.
  std::sort(digests.begin(), digests.end());
  digests.erase(std::unique(digests.begin(), digests.end()), digests.end());
  // One statement of kLookup digests, prepared once: the last batch repeats
  // its last digest.
  static const std::string sql = [] {
    std::string text = "SELECT digest, record_id FROM stored_records WHERE digest IN (";
    for (std::size_t k = 0; k < kLookup; ++k) text += (k ? ", $" : "$") + std::to_string(k + 1);
    return text + ")";
  }();
  std::vector<Value> values(kLookup);
  for (std::size_t at = 0; at < digests.size(); at += kLookup) {
    for (std::size_t k = 0; k < kLookup; ++k)
      values[k] = Value::ofBlob(digestBytes(digests[std::min(at + k, digests.size() - 1)]));
    db.run(sql, values, [&](const Row& row) { keepId(row, out); });
  }
}

// A later download of an instrument, or a copy of a file, holds records
// that were stored one after another: reading rows by id costs less than
// looking each digest up, so the ids from the chunk's first record on are
// read in one range, and only the digests not among them are looked up.
void findStoredAfterFirst(Database& db, const std::vector<Digest>& digests, IdsByDigest& out) {
  if (digests.empty()) return;
  std::int64_t first = 0;
  const Value digest[] = {Value::ofBlob(digestBytes(digests.front()))};
  db.run("SELECT record_id FROM stored_records WHERE digest = $1", digest,
         [&](const Row& row) { first = row.integer(0); });
  if (first == 0) return;
  const Value range[] = {Value::of(first), Value::of(first + static_cast<std::int64_t>(digests.size()) - 1)};
  db.run("SELECT digest, record_id FROM stored_records WHERE record_id BETWEEN $1 AND $2", range,
         [&](const Row& row) { keepId(row, out); });
}

// The next `n` ids of stored records, taken at once from the table's own
// sequence: no other connection takes one meanwhile while imports take
// turns, and should one, the ids would clash and the import fail whole.
std::int64_t reservedRecordIds(Database& db, std::size_t n) {
  std::int64_t last = 0;
  const Value count[] = {Value::of(static_cast<std::int64_t>(n))};
  db.run("SELECT setval(s, nextval(s) + $1 - 1) FROM pg_get_serial_sequence('stored_records', 'record_id') AS s",
         count, [&](const Row& row) { last = row.integer(0); });
  return last - static_cast<std::int64_t>(n) + 1;
}

// A chunk of a file's records, with their indexes in the file and digests.
struct Chunk {
  std::vector<MeasurementRecord> records;
  std::vector<std::uint64_t> indexes;
  std::vector<Digest> digests;
};

Chunk hashed(Chunk chunk) {
  chunk.digests.reserve(chunk.records.size());
  for (const MeasurementRecord& r : chunk.records) chunk.digests.push_back(sha256(r.bytes.data(), kRecordSize));
  return chunk;
}

// The chunks go through two stages: while one is stored, the next one's
// records are hashed on a thread of their own, and the one after is read.
class ChunkImporter {
 public:
  ChunkImporter(Database& db, std::int64_t importId)
      : db_(db), importId_(importId), rows_(db.dialect() == Dialect::Postgres) {}

  void add(const MeasurementRecord& record, std::uint64_t index) {
    filling_.records.push_back(record);
    filling_.indexes.push_back(index);
    if (filling_.records.size() == kChunk) pass();
  }

  void finish() {
    if (!filling_.records.empty()) pass();
    if (hashing_.valid()) store(hashing_.get());
  }

  std::uint64_t inserted() const { return inserted_; }

 private:
  // Hands the chunk read to hashing and stores the one hashed before it,
  // whose memory then takes the next records: new memory for every chunk
  // would cost a page fault for every 4 KiB of it.
  void pass() {
    std::future<Chunk> before = std::move(hashing_);
    hashing_ = std::async(std::launch::async, hashed, std::move(filling_));
    filling_ = before.valid() ? before.get() : Chunk{};
    if (!filling_.records.empty()) store(filling_);
    filling_.records.clear();
    filling_.indexes.clear();
    filling_.digests.clear();
    filling_.records.reserve(kChunk);
    filling_.indexes.reserve(kChunk);
  }

  void store(const Chunk& chunk) {
    const auto& records = chunk.records;
    const auto& digests = chunk.digests;
    IdsByDigest ids;
    ids.reserve(2 * records.size());
    findStoredAfterFirst(db_, digests, ids);
    std::vector<Digest> unfound;
    for (const Digest& d : digests)
      if (ids.count(d) == 0) unfound.push_back(d);
    findStored(db_, std::move(unfound), ids);
    std::vector<Digest> fresh;
    for (std::size_t k = 0; k < records.size(); ++k) {
      if (ids.count(digests[k]) != 0) continue;
      ids[digests[k]] = 0;  // a second copy in this chunk is known once the first is stored
      rows_.add(digests[k], records[k], importId_, chunk.indexes[k]);
      fresh.push_back(digests[k]);
    }
    if (!rows_.empty() && db_.dialect() == Dialect::Postgres) {
      // While imports take turns no other adds a record: the new ones take
      // their ids here and go straight into the table, and a record stored
      // meanwhile by any other way fails the import instead of being skipped.
      const std::int64_t first = reservedRecordIds(db_, rows_.size());
      rows_.setIds(first);
      db_.insertRows("stored_records", rows_.columns(), rows_.values(), false);
      for (std::size_t k = 0; k < fresh.size(); ++k) ids[fresh[k]] = first + static_cast<std::int64_t>(k);
      inserted_ += fresh.size();
      rows_.clear();
    } else if (!rows_.empty()) {
      static constexpr std::string_view kReturned[] = {"digest", "record_id"};
      inserted_ += static_cast<std::uint64_t>(db_.insertRows("stored_records", rows_.columns(), rows_.values(), true,
                                                             kReturned, [&](const Row& row) { keepId(row, ids); }));
      rows_.clear();
      // A row the insert skipped as already there would have no id yet:
      // none is while imports take turns, yet its sightings must not name 0.
      std::erase_if(fresh, [&](const Digest& d) { return ids[d] != 0; });
      findStored(db_, std::move(fresh), ids);
    }
    storeSightings(chunk.indexes, digests, ids);
  }

  // The chunk's records as seen here, in runs of consecutive indexes that
  // are consecutive records.
  void storeSightings(const std::vector<std::uint64_t>& indexes, const std::vector<Digest>& digests,
                      IdsByDigest& ids) {
    static constexpr std::string_view kColumns[] = {"import_id", "first_index", "record_id", "records"};
    runs_.clear();
    std::int64_t first = 0, id = 0, length = 0;
    auto close = [&] {
      if (length == 0) return;
      runs_.insert(runs_.end(), {Value::of(importId_), Value::of(first), Value::of(id - length + 1), Value::of(length)});
    };
    for (std::size_t k = 0; k < indexes.size(); ++k) {
      const auto index = static_cast<std::int64_t>(indexes[k]);
      const std::int64_t next = ids[digests[k]];
      if (length > 0 && length < kMaxSightingRun && index == first + length && next == id + 1) {
        ++length;
      } else {
        close();
        first = index;
        length = 1;
      }
      id = next;
    }
    close();
    db_.insertRows("sighting_runs", kColumns, runs_, false);
  }

  Database& db_;
  std::int64_t importId_;
  Chunk filling_;
  std::future<Chunk> hashing_;
  std::vector<Value> runs_;
  RecordRows rows_;
  std::uint64_t inserted_ = 0;
};

// What the archive holds of a file's contents: the import that brought them
// first, the one from this very path (0 when none) and their records.
struct KnownContents {
  std::int64_t first = 0;
  std::int64_t here = 0;
  std::uint64_t records = 0;
};

KnownContents knownContents(Database& db, const FileFacts& facts) {
  KnownContents known;
  const Value values[] = {Value::ofText(facts.sha256)};
  db.run("SELECT import_id, absolute_path, records FROM imports WHERE sha256 = $1 ORDER BY import_id", values,
         [&](const Row& row) {
           if (known.first == 0) {
             known.first = row.integer(0);
             known.records = static_cast<std::uint64_t>(row.integer(2));
           }
           if (known.here == 0 && row.text(1) == facts.absolutePath) known.here = row.integer(0);
         });
  return known;
}

// A file imported before from this path: nothing is added, and it holds
// what it held then, every record known.
bool importedHere(const KnownContents& known, ImportResult& result) {
  if (known.here == 0) return false;
  result.alreadyImported = true;
  result.importId = known.here;
  result.records = known.records;
  result.fresh = 0;
  result.known = known.records;
  return true;
}

}  // namespace

ImportResult Archive::importFile(const FileFacts& facts, const std::function<bool(MeasurementRecord&)>& next,
                                 const std::string& user, const std::string& host) {
  Database& db = *db_;
  ImportResult result;
  if (importedHere(knownContents(db, facts), result)) return result;
  db.begin();
  try {
    // On PostgreSQL imports take turns, each to its commit: each inserts its
    // new records in its file's order, and two inserting the same records
    // in different orders at once could each wait for the other.
    if (db.dialect() == Dialect::Postgres) {
      const Value key[] = {Value::of(kImportLockKey)};
      db.run("SELECT pg_advisory_xact_lock($1)", key);
      // The table grows as the import goes on: a plan made once for all
      // look-ups while it was small would read every row for each.
      db.run("SET LOCAL plan_cache_mode = force_custom_plan");
    }
    const KnownContents known = knownContents(db, facts);
    if (importedHere(known, result)) {
      db.rollback();
      return result;
    }
    const std::string now = localTimeNow();
    const Value file[] = {Value::ofText(facts.path), Value::ofText(facts.absolutePath),
                          Value::of(static_cast<std::int64_t>(facts.size)), Value::ofText(facts.sha256),
                          Value::ofText(now), Value::ofText(user), Value::ofText(host),
                          Value::of(static_cast<std::int64_t>(facts.partialBytes))};
    db.run("INSERT INTO imports (path, absolute_path, size, sha256, imported_at, user_name, host, partial_bytes) "
           "VALUES ($1, $2, $3, $4, $5, $6, $7, $8) RETURNING import_id",
           file, [&](const Row& row) { result.importId = row.integer(0); });
    if (known.first != 0) {
      // The same bytes are the same records at the same indexes: they are
      // seen here too, and none is read again.
      const Value ids[] = {Value::of(result.importId), Value::of(known.first)};
      db.run("INSERT INTO sighting_runs (import_id, first_index, record_id, records) "
             "SELECT $1, first_index, record_id, records FROM sighting_runs WHERE import_id = $2",
             ids);
      result.alreadyImported = true;
      result.records = known.records;
    } else {
      ChunkImporter importer(db, result.importId);
      MeasurementRecord record;
      while (next(record)) importer.add(record, result.records++);
      importer.finish();
      result.fresh = importer.inserted();
    }
    result.known = result.records - result.fresh;
    const Value counts[] = {Value::of(static_cast<std::int64_t>(result.records)),
                            Value::of(static_cast<std::int64_t>(result.fresh)),
                            Value::of(static_cast<std::int64_t>(result.known)), Value::of(result.importId)};
    db.run("UPDATE imports SET records = $1, new_records = $2, known_records = $3 WHERE import_id = $4", counts);
    const audit::Json after{{"sha256", facts.sha256},  {"records", result.records},
                            {"new", result.fresh},      {"known", result.known},
                            {"path", facts.path},       {"absolute_path", facts.absolutePath}};
    appendAudit(db, actor_, "import", facts.path, "", after.dump());
    db.commit();
    // PostgreSQL plans by statistics taken from samples: after a large
    // download they are taken again, or the queries by object and period
    // would be planned for the archive as it was before.
    if (db.dialect() == Dialect::Postgres && result.fresh >= kAnalyzeAfter) {
      // Only the columns that queries select and sort by: the statistics of
      // all of them would take longer than the import itself.
      db.run("ANALYZE stored_records (point_id, device_number, date_time, mode, value)");
      db.run("ANALYZE sighting_runs");
    }
  } catch (const DatabaseError& e) {
    db.rollback();
    // The same file imported by another kvd at this very moment.
    if (e.kind() == DatabaseError::Kind::Constraint && importedHere(knownContents(db, facts), result)) return result;
    throw;
  } catch (...) {
    db.rollback();
    throw;
  }
  return result;
}

}  // namespace zel::archive
