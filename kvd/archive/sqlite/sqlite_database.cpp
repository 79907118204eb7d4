// The archive in one SQLite file: WAL journal, so that readers never wait
// for a writer; foreign keys on; full synchronisation at each commit, so a
// power loss keeps every file whose import had finished; and a busy
// timeout, so that a second kvd waits for the first instead of failing.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <map>
#include <memory>
#include <vector>

#include "kvd/archive/database.h"
#include "kvd/io/platform.h"

namespace zel::archive {

namespace {

constexpr int kBusyTimeoutMs = 30000;
// The page cache's bounds (see sizeCache).
constexpr std::int64_t kMinCacheKiB = 8 * 1024;
constexpr std::int64_t kMaxCacheKiB = 128 * 1024;
constexpr std::size_t kRowsPerInsert = 64;
// WAL frames (pages of 8 KiB): checkpointed before the next transaction
// from 8 MiB on, and right after a commit from 512 MiB on.
constexpr int kCheckpointFrames = 1000;
constexpr int kMaxWalFrames = 65536;
// SQLite's own limit on a statement's parameters is 32,766.
constexpr std::size_t kMaxParameters = 32000;

DatabaseError::Kind kindOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DatabaseError::Kind::Busy;
    case SQLITE_CONSTRAINT: return DatabaseError::Kind::Constraint;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return DatabaseError::Kind::Corrupt;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: return DatabaseError::Kind::ReadOnly;
    default: return DatabaseError::Kind::Other;
  }
}

std::string describeError(int code, const char* message) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "the archive is busy: another program has held it too long";
    case SQLITE_CORRUPT: return "the archive file is damaged (" + std::string(message) + ")";
    case SQLITE_NOTADB: return "the file is not an archive: not an SQLite database";
    case SQLITE_READONLY: return "the archive cannot be written (read-only)";
    case SQLITE_FULL: return "the disk is full";
    default: return message;
  }
}

struct Statement {
  sqlite3_stmt* handle = nullptr;
  std::vector<int> parameterIndex;  // statement parameter k + 1 → index into the values
};

class SqliteRow : public Row {
 public:
  explicit SqliteRow(sqlite3_stmt* s) : s_(s) {}
  int size() const override { return sqlite3_column_count(s_); }
  bool isNull(int c) const override { return sqlite3_column_type(s_, c) == SQLITE_NULL; }
  std::int64_t integer(int c) const override { return sqlite3_column_int64(s_, c); }
  double real(int c) const override { return sqlite3_column_double(s_, c); }
  std::string text(int c) const override {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, c));
    return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, c))) : std::string();
  }
  std::string blob(int c) const override {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(s_, c));
    return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, c))) : std::string();
  }

 private:
  sqlite3_stmt* s_;
};

class SqliteDatabase : public Database {
 public:
  SqliteDatabase(sqlite3* db, std::string name) : db_(db), name_(std::move(name)) {}
  ~SqliteDatabase() override {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement.handle);
    sqlite3_close_v2(db_);
  }

  Dialect dialect() const override { return Dialect::Sqlite; }
  std::string describe() const override { return name_; }

  void execute(std::string_view sql) override {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
      const std::string text = message != nullptr ? message : sqlite3_errstr(rc);
      sqlite3_free(message);
      fail(rc, text.c_str());
    }
  }

  std::int64_t run(std::string_view sql, std::span<const Value> params, const RowHandler& onRow) override {
    Statement& s = prepare(sql);
    return step(s, params, onRow);
  }

  std::int64_t insertRows(std::string_view table, std::span<const std::string_view> columns,
                          std::span<const Value> values, bool ignoreConflicts,
                          std::span<const std::string_view> returning, const RowHandler& onInserted) override {
    const std::size_t width = columns.size();
    if (width == 0 || values.size() % width != 0) throw std::invalid_argument("insertRows: the values are not whole rows");
    const std::size_t rows = values.size() / width;
    // Many rows per statement: a step per row would cost more than the rows.
    const std::size_t perStatement = std::max<std::size_t>(1, std::min(kRowsPerInsert, kMaxParameters / width));
    // Outside a transaction all the rows or none. Inside one, no savepoint:
    // its journal, kept in memory, is walked from its start at the end of
    // every statement, which grows with the square of the rows; a failure
    // there is the caller's to roll back, as on PostgreSQL.
    const bool own = sqlite3_get_autocommit(db_) != 0;
    if (own) execute("BEGIN IMMEDIATE");
    std::int64_t inserted = 0;
    try {
      for (std::size_t at = 0; at < rows;) {
        const std::size_t n = std::min(perStatement, rows - at);
        Statement& s = prepare(insertSql(table, columns, n, ignoreConflicts, returning));
        inserted += step(s, values.subspan(at * width, n * width), onInserted);
        at += n;
      }
    } catch (...) {
      if (own) rollback();
      throw;
    }
    if (own) execute("COMMIT");
    return inserted;
  }

  void begin() override {
    // The checkpoint of what earlier commits left in the WAL: here, before a
    // transaction, rather than inside the commit that grew it.
    if (walFrames_ >= kCheckpointFrames) {
      sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
      walFrames_ = 0;
    }
    sizeCache();
    execute("BEGIN IMMEDIATE");
  }
  void commit() override { execute("COMMIT"); }
  void rollback() noexcept override {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  // A deferred transaction reads from the WAL snapshot its first read
  // takes: taken here, so that the moment is the caller's.
  void beginSnapshot() override { execute("BEGIN DEFERRED; SELECT count(*) FROM sqlite_master"); }

  void backupTo(const std::filesystem::path& file) override {
    sqlite3* target = nullptr;
    const std::string name = cli::platform::utf8FromPath(file);
    int rc = sqlite3_open_v2(name.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> closed(target, &sqlite3_close_v2);
    if (rc != SQLITE_OK) throw DatabaseError(kindOf(rc), "cannot write the backup file " + name);
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", db_, "main");
    if (backup == nullptr) fail(sqlite3_errcode(target), sqlite3_errmsg(target));
    // Every page in one step, that is in one read transaction of the
    // archive: a copy of one moment, while writers go on in the WAL. Only
    // a lock that another holds (a WAL being recovered) is waited out, as
    // long as the busy timeout.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
      rc = sqlite3_backup_step(backup, -1);
      const bool busy = (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
      if (!busy || std::chrono::steady_clock::now() >= until) break;
      sqlite3_sleep(20);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) fail(rc, sqlite3_errmsg(target));
    if (finished != SQLITE_OK) fail(finished, sqlite3_errmsg(target));
  }

 private:
  [[noreturn]] void fail(int rc, const char* message) {
    throw DatabaseError(kindOf(rc), describeError(rc, message));
  }

  // INSERT of `rows` rows, their values bound in order (?, not $n: the
  // parameters are the values one after another).
  static std::string insertSql(std::string_view table, std::span<const std::string_view> columns, std::size_t rows,
                               bool ignoreConflicts, std::span<const std::string_view> returning) {
    std::string sql = "INSERT INTO " + std::string(table) + " (";
    std::string row = "(";
    for (std::size_t k = 0; k < columns.size(); ++k) {
      sql += (k ? ", " : "") + std::string(columns[k]);
      row += k ? ", ?" : "?";
    }
    row += ')';
    sql += ") VALUES ";
    for (std::size_t r = 0; r < rows; ++r) sql += (r ? ", " : "") + row;
    if (ignoreConflicts) sql += " ON CONFLICT DO NOTHING";
    for (std::size_t k = 0; k < returning.size(); ++k) sql += (k ? ", " : " RETURNING ") + std::string(returning[k]);
    return sql;
  }

  Statement& prepare(std::string_view sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) return found->second;
    Statement s;
    const int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &s.handle, nullptr);
    if (rc != SQLITE_OK) fail(rc, sqlite3_errmsg(db_));
    const int count = sqlite3_bind_parameter_count(s.handle);
    for (int k = 1; k <= count; ++k) {
      const char* name = sqlite3_bind_parameter_name(s.handle, k);
      s.parameterIndex.push_back(name != nullptr && name[0] == '$' ? std::atoi(name + 1) - 1 : k - 1);
    }
    return statements_.emplace(std::string(sql), s).first->second;
  }

  void bind(sqlite3_stmt* h, int k, const Value& v) {
    static const char kEmpty[] = "";
    int rc = SQLITE_OK;
    switch (v.kind) {
      case Value::Kind::Null: rc = sqlite3_bind_null(h, k); break;
      case Value::Kind::Integer: rc = sqlite3_bind_int64(h, k, v.integer); break;
      case Value::Kind::Real:
        rc = std::isfinite(v.real) ? sqlite3_bind_double(h, k, v.real) : sqlite3_bind_null(h, k);
        break;
      case Value::Kind::Text:
        rc = sqlite3_bind_text(h, k, v.bytes.data() ? v.bytes.data() : kEmpty, static_cast<int>(v.bytes.size()),
                               SQLITE_STATIC);
        break;
      case Value::Kind::Blob:
        rc = sqlite3_bind_blob(h, k, v.bytes.data() ? v.bytes.data() : kEmpty, static_cast<int>(v.bytes.size()),
                               SQLITE_STATIC);
        break;
    }
    if (rc != SQLITE_OK) fail(rc, sqlite3_errmsg(db_));
  }

  std::int64_t step(Statement& s, std::span<const Value> params, const RowHandler& onRow) {
    sqlite3_stmt* h = s.handle;
    for (std::size_t k = 0; k < s.parameterIndex.size(); ++k) {
      const int at = s.parameterIndex[k];
      bind(h, static_cast<int>(k + 1), at >= 0 && static_cast<std::size_t>(at) < params.size() ? params[at] : Value());
    }
    struct Reset {
      sqlite3_stmt* h;
      ~Reset() {
        sqlite3_reset(h);
        sqlite3_clear_bindings(h);
      }
    } reset{h};
    SqliteRow row(h);
    for (;;) {
      const int rc = sqlite3_step(h);
      if (rc == SQLITE_ROW) {
        if (onRow) onRow(row);
        continue;
      }
      if (rc == SQLITE_DONE) break;
      fail(rc, sqlite3_errmsg(db_));
    }
    return sqlite3_stmt_readonly(h) ? 0 : sqlite3_changes64(db_);
  }

  // After each commit: a WAL past its bound is checkpointed at once (as by
  // SQLite's own automatic checkpoint, only later); else at the next begin().
  static int walCommitted(void* self, sqlite3* db, const char* schema, int frames) {
    static_cast<SqliteDatabase*>(self)->walFrames_ = frames;
    if (frames >= kMaxWalFrames) sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return SQLITE_OK;
  }

 public:
  // The page cache holds the pages that an import keeps coming back to:
  // those of the indexes by digest and by value, which grow with the
  // archive (together with the other indexes, about an eighth of it). The
  // records' own pages are written once and go on to the WAL while the
  // transaction is still open (spilled, not committed). A cache that held
  // a whole download instead would be new memory page after page, and the
  // page faults of 70 MB cost more than the writes they save.
  void sizeCache() {
    std::int64_t pages = 0, pageSize = 0;
    run("PRAGMA page_count", {}, [&](const Row& row) { pages = row.integer(0); });
    run("PRAGMA page_size", {}, [&](const Row& row) { pageSize = row.integer(0); });
    const std::int64_t kib = std::clamp<std::int64_t>(pages * pageSize / 1024 / 8, kMinCacheKiB, kMaxCacheKiB);
    if (kib != cacheKiB_) execute("PRAGMA cache_size = -" + std::to_string(kib));
    cacheKiB_ = kib;
  }
  void watchWal() { sqlite3_wal_hook(db_, &SqliteDatabase::walCommitted, this); }

 private:
  sqlite3* db_;
  int walFrames_ = 0;
  std::int64_t cacheKiB_ = 0;
  std::string name_;
  std::map<std::string, Statement, std::less<>> statements_;
};

// SQLite counts every allocation it makes under a lock of its own unless
// told not to before its first use; the archive never asks for the counts.
void configureOnce() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);  // refused, harmlessly, once SQLite is in use
    return true;
  }();
  (void)configured;
}

}  // namespace

std::unique_ptr<Database> openSqlite(const std::filesystem::path& file, bool create) {
  configureOnce();
  const std::string name = cli::platform::utf8FromPath(file);
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw DatabaseError(kindOf(rc), (rc & 0xFF) == SQLITE_CANTOPEN ? "cannot open the archive file" : message);
  }
  auto database = std::make_unique<SqliteDatabase>(db, name);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  database->watchWal();
  sqlite3_extended_result_codes(db, 0);
  // A record row is over a kilobyte: larger pages hold several.
  database->execute("PRAGMA page_size = 8192; PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL; "
                    "PRAGMA temp_store = MEMORY");
  // Reading the schema tells a file that is no database at once.
  Database& base = *database;
  base.run("SELECT count(*) FROM sqlite_master");
  database->sizeCache();
  if (!sqlite3_db_readonly(db, "main")) base.run("PRAGMA journal_mode = WAL");
  return database;
}

}  // namespace zel::archive
