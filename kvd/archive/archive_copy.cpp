// Copying an archive table by table: every table of the schema in an order
// that its foreign keys allow, its columns as the source's catalogue names
// them, its rows a batch at a time from one snapshot of the source into one
// transaction of the target.
#include <algorithm>
#include <cctype>
#include <deque>

#include "kvd/archive/archive.h"
#include "kvd/archive/copy.h"

namespace zel::archive {

namespace {

// Every table of the schema (schema.cpp), parents before children. A table
// that the schema gains must be named here: a copy refuses an archive with
// a table it does not know rather than leave it behind.
struct Table {
  std::string_view name;
  std::string_view order;     // the columns its rows are read in order of
  std::string_view identity;  // its generated id on PostgreSQL; empty for none
  bool copied = true;         // archive_info is each archive's own
};

constexpr Table kTables[] = {
    {"archive_info", "key", "", false},
    {"objects", "object_id", "object_id"},
    {"points", "point_id", "point_id"},
    {"imports", "import_id", "import_id"},
    {"stored_records", "record_id", "record_id"},
    {"sighting_runs", "import_id, first_index", ""},
    {"devices", "device_number", ""},
    {"placements", "placement_id", "placement_id"},
    {"accounts", "account_id", "account_id"},
    {"audit_log", "entry_id", ""},
    {"lab_details", "key", ""},
    {"protocols", "protocol_id", "protocol_id"},
    {"protocol_records", "protocol_id, record_id", ""},
};

// Rows per insert: a few megabytes of records, whatever the archive's size.
constexpr std::size_t kBatch = 5000;

enum class Kind { Integer, Real, Text, Blob };

struct Column {
  std::string name;
  Kind kind;
};

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The kind of value a column holds, by its declared type in either
// database (schema.cpp's typeName).
Kind kindOf(const std::string& table, const std::string& column, const std::string& type) {
  const std::string t = lower(type);
  if (t == "integer" || t == "bigint") return Kind::Integer;
  if (t == "real" || t == "numeric" || t == "double precision") return Kind::Real;
  if (t == "blob" || t == "bytea") return Kind::Blob;
  if (t == "text" || t == "date" || t == "timestamp without time zone") return Kind::Text;
  throw ArchiveError("the column " + table + "." + column + " is of a type kvd does not copy (" + type +
                     "); nothing was copied");
}

std::vector<std::string> tableNames(Database& db) {
  std::vector<std::string> names;
  db.run(db.dialect() == Dialect::Postgres
             ? "SELECT table_name::text FROM information_schema.tables "
               "WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'"
             : "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
         {}, [&](const Row& row) { names.push_back(row.text(0)); });
  return names;
}

std::vector<Column> columnsOf(Database& db, std::string_view table) {
  std::vector<Column> columns;
  const Value name[] = {Value::ofText(table)};
  db.run(db.dialect() == Dialect::Postgres
             ? "SELECT column_name::text, data_type::text FROM information_schema.columns "
               "WHERE table_schema = current_schema() AND table_name = $1 ORDER BY ordinal_position"
             : "SELECT name, type FROM pragma_table_info($1) ORDER BY cid",
         name, [&](const Row& row) {
           columns.push_back({row.text(0), kindOf(std::string(table), row.text(0), row.text(1))});
         });
  return columns;
}

// Both archives are of this kvd's schema; a column added or dropped by hand
// in either is said, not lost.
void sameColumns(std::string_view table, const std::vector<Column>& from, const std::vector<Column>& to) {
  auto missing = [&](const std::vector<Column>& a, const std::vector<Column>& b) -> const Column* {
    for (const Column& c : a)
      if (std::none_of(b.begin(), b.end(), [&](const Column& d) { return d.name == c.name; })) return &c;
    return nullptr;
  };
  if (const Column* c = missing(from, to))
    throw ArchiveError("the target has no column " + std::string(table) + "." + c->name + "; nothing was copied");
  if (const Column* c = missing(to, from))
    throw ArchiveError("the archive has no column " + std::string(table) + "." + c->name +
                       " that the target has; nothing was copied");
}

// The rows of one table on their way: read from the source, inserted into
// the target a batch at a time. Texts and blobs are kept here while their
// values view them.
class TableCopy {
 public:
  TableCopy(Database& target, std::string_view table, const std::vector<Column>& columns)
      : target_(target), table_(table), columns_(columns) {
    for (const Column& c : columns_) names_.push_back(c.name);
  }

  void add(const Row& row) {
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      const int c = static_cast<int>(k);
      if (row.isNull(c)) {
        values_.push_back(Value::null());
        continue;
      }
      switch (columns_[k].kind) {
        case Kind::Integer: values_.push_back(Value::of(row.integer(c))); break;
        case Kind::Real: values_.push_back(Value::ofReal(row.real(c))); break;
        case Kind::Text: values_.push_back(Value::ofText(bytes_.emplace_back(row.text(c)))); break;
        case Kind::Blob: values_.push_back(Value::ofBlob(bytes_.emplace_back(row.blob(c)))); break;
      }
    }
    if (++rows_ == kBatch) flush();
  }

  void flush() {
    if (rows_ == 0) return;
    target_.insertRows(table_, names_, values_, false);
    copied_ += rows_;
    rows_ = 0;
    values_.clear();
    bytes_.clear();
  }

  std::uint64_t copied() const { return copied_; }

 private:
  Database& target_;
  std::string_view table_;
  const std::vector<Column>& columns_;
  std::vector<std::string_view> names_;
  std::vector<Value> values_;
  std::deque<std::string> bytes_;
  std::size_t rows_ = 0;
  std::uint64_t copied_ = 0;
};

std::uint64_t copyTable(Database& source, Database& target, const Table& table) {
  const std::vector<Column> columns = columnsOf(source, table.name);
  sameColumns(table.name, columns, columnsOf(target, table.name));
  std::string select = "SELECT ";
  for (std::size_t k = 0; k < columns.size(); ++k) select += (k ? ", " : "") + columns[k].name;
  select += " FROM " + std::string(table.name) + " ORDER BY " + std::string(table.order);
  TableCopy copy(target, table.name, columns);
  // The target is another connection: it inserts while the source streams.
  source.run(select, {}, [&](const Row& row) { copy.add(row); });
  copy.flush();
  return copy.copied();
}

void refuseUnknownTables(Database& source) {
  for (const std::string& name : tableNames(source)) {
    const bool known = std::any_of(std::begin(kTables), std::end(kTables), [&](const Table& t) { return t.name == name; });
    if (!known)
      throw ArchiveError("the archive holds a table kvd does not know, " + name +
                         ", and copies no archive in part; nothing was copied");
  }
}

void refuseNonEmpty(Database& target) {
  for (const Table& t : kTables) {
    if (!t.copied) continue;
    bool any = false;
    target.run("SELECT 1 FROM " + std::string(t.name) + " LIMIT 1", {}, [&](const Row&) { any = true; });
    if (any)
      throw ArchiveError(target.describe() + " is not empty: copy into a new or empty archive", "not_empty");
  }
}

// PostgreSQL's identities count on from where they stand, not from the ids
// inserted: each is set past the largest.
void advanceIdentities(Database& target) {
  if (target.dialect() != Dialect::Postgres) return;
  for (const Table& t : kTables) {
    if (t.identity.empty()) continue;
    const Value names[] = {Value::ofText(t.name), Value::ofText(t.identity)};
    target.run("SELECT setval(pg_get_serial_sequence($1, $2), max(" + std::string(t.identity) + ")) FROM " +
                   std::string(t.name),
               names);
  }
}

// Nobody else writes the target while it is filled: PostgreSQL's tables are
// locked against writers (SQLite's transaction holds the write lock anyway).
void lockTarget(Database& target) {
  if (target.dialect() != Dialect::Postgres) return;
  std::string tables;
  for (const Table& t : kTables) tables += (tables.empty() ? "" : ", ") + std::string(t.name);
  target.run("LOCK TABLE " + tables + " IN EXCLUSIVE MODE");
}

}  // namespace

CopyCounts copyArchive(Archive& sourceArchive, Archive& targetArchive) {
  Database& source = sourceArchive.database();
  Database& target = targetArchive.database();
  CopyCounts counts;
  source.beginSnapshot();
  try {
    refuseUnknownTables(source);
    target.begin();
    try {
      lockTarget(target);
      refuseNonEmpty(target);
      for (const Table& t : kTables) {
        if (!t.copied) continue;
        const std::uint64_t rows = copyTable(source, target, t);
        counts.rows += rows;
        if (t.name == "stored_records") counts.records = rows;
        if (t.name == "audit_log") counts.auditEntries = rows;
      }
      advanceIdentities(target);
      target.commit();
    } catch (...) {
      target.rollback();
      throw;
    }
  } catch (...) {
    source.rollback();
    throw;
  }
  source.rollback();
  return counts;
}

void backupArchive(Archive& source, const std::filesystem::path& file) {
  if (source.database().dialect() == Dialect::Sqlite) {
    source.database().backupTo(file);
    return;
  }
  Archive target(openSqlite(file, true));
  copyArchive(source, target);
}

}  // namespace zel::archive
