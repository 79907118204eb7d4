// The archive's one seam to its database: a connection that runs SQL with
// bound parameters, in transactions, and inserts many rows at once. SQLite
// (one file on one PC) and PostgreSQL (a lab's shared server) each implement
// it; the schema, the import, the placements and every query above it are
// written once, in SQL that both understand:
// - parameters are $1, $2, … in the order of their first use;
// - a date and time is bound as text "YYYY-MM-DD hh:mm:ss" and read back as
//   the same text (SQLite keeps it as text, PostgreSQL as a timestamp);
// - INSERT … ON CONFLICT DO NOTHING and RETURNING work in both.
// Every text is UTF-8. Values are always bound, never spliced into SQL.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zel::archive {

enum class Dialect { Sqlite, Postgres };

// A value bound to a statement. Text and blob bytes are only viewed: they
// must outlive the call that takes them.
struct Value {
  enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string_view bytes;

  static Value null() { return {}; }
  static Value of(std::int64_t v) {
    Value x;
    x.kind = Kind::Integer;
    x.integer = v;
    return x;
  }
  // NaN and the infinities are stored as NULL in both backends (SQLite has
  // no NaN); the record's stored bytes keep them.
  static Value ofReal(double v) {
    Value x;
    x.kind = Kind::Real;
    x.real = v;
    return x;
  }
  static Value ofText(std::string_view v) {
    Value x;
    x.kind = Kind::Text;
    x.bytes = v;
    return x;
  }
  static Value ofBlob(std::string_view v) {
    Value x;
    x.kind = Kind::Blob;
    x.bytes = v;
    return x;
  }
};

// One row of a result, valid only during the callback that receives it.
class Row {
 public:
  virtual ~Row() = default;
  virtual int size() const = 0;
  virtual bool isNull(int column) const = 0;
  virtual std::int64_t integer(int column) const = 0;
  virtual double real(int column) const = 0;
  // Text as UTF-8, a timestamp as "YYYY-MM-DD hh:mm:ss"; empty for NULL.
  virtual std::string text(int column) const = 0;
  // A blob's bytes (PostgreSQL's bytea decoded); empty for NULL.
  virtual std::string blob(int column) const = 0;
};

using RowHandler = std::function<void(const Row&)>;

// A failure of the database, with a message for the user (no SQL, no
// server internals beyond what the database itself says).
class DatabaseError : public std::runtime_error {
 public:
  enum class Kind {
    Other,
    Busy,        // another process holds the archive longer than the busy timeout
    Constraint,  // a unique key or foreign key refused the change
    Corrupt,     // the file is not a database, or a damaged one
    ReadOnly,    // the archive cannot be written
    Lost,        // the connection to the server is gone
  };
  DatabaseError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual Dialect dialect() const = 0;
  // The archive as the user named it, for messages (never a password).
  virtual std::string describe() const = 0;

  // Statements without parameters, separated by semicolons (the schema).
  virtual void execute(std::string_view sql) = 0;
  // One statement with parameters $1, $2, …; each result row goes to
  // `onRow`. Returns the number of rows the statement changed (INSERT,
  // UPDATE, DELETE), else 0. Rows are streamed: `onRow` runs no other
  // statement on the same database.
  virtual std::int64_t run(std::string_view sql, std::span<const Value> params = {},
                           const RowHandler& onRow = {}) = 0;
  // Inserts rows into `table`: `values` holds the rows one after another,
  // `columns.size()` values each. With `ignoreConflicts` a row whose unique
  // key is already there (also inserted by another connection at the same
  // time) is skipped. Returns the number of rows inserted. Outside a
  // transaction all or nothing: when it fails, none of its rows stays; inside
  // one, a failure leaves the transaction to be rolled back (PostgreSQL
  // refuses any other statement in it anyway). The `returning` columns of each
  // row inserted (none of those skipped) go to `onInserted`, in no
  // particular order. Ids that the table generates follow the order of the
  // rows given, consecutive unless another connection inserts meanwhile.
  // Connections that may insert the same keys at the same time take turns
  // (the import takes a lock of its own): else each could wait for a key
  // the other holds.
  virtual std::int64_t insertRows(std::string_view table, std::span<const std::string_view> columns,
                                  std::span<const Value> values, bool ignoreConflicts,
                                  std::span<const std::string_view> returning = {},
                                  const RowHandler& onInserted = {}) = 0;

  // A write transaction: SQLite takes the write lock at once (waiting out
  // another writer up to the busy timeout), so that a transaction never
  // fails half-way on a lock.
  virtual void begin() = 0;
  virtual void commit() = 0;
  // Never throws: it is called while a failure is being handled.
  virtual void rollback() noexcept = 0;

  // A read-only transaction that sees the database as one moment left it,
  // whatever others commit meanwhile, until rollback() ends it: a backup,
  // a copy or a check of an archive in use reads every table as of the same
  // moment. SQLite reads one WAL snapshot; PostgreSQL is REPEATABLE READ.
  virtual void beginSnapshot() = 0;
  // A consistent copy of the whole database, as one moment left it, into
  // `file` (new or empty), while others go on importing: SQLite's online
  // backup. A database on a server has no such file copy: it throws.
  virtual void backupTo(const std::filesystem::path& file) {
    (void)file;
    throw DatabaseError(DatabaseError::Kind::Other, "this database is copied table by table, not as a file");
  }
};

// An SQLite archive file, in WAL mode with foreign keys on and a busy
// timeout. `create`: the file (not its folder) is made when missing; else a
// missing file is an error.
std::unique_ptr<Database> openSqlite(const std::filesystem::path& file, bool create);

// A PostgreSQL archive through a libpq connection URI
// ("postgresql://user@host/dbname"). On a build without libpq it throws
// DatabaseError saying that this build reads SQLite archives only.
std::unique_ptr<Database> openPostgres(const std::string& uri);

}  // namespace zel::archive
