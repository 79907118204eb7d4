// The archive on a lab's PostgreSQL server, through libpq. Statements are
// prepared once per connection and SQL text, with the parameters' types
// left to the server (so that a text binds to a timestamp column); texts
// and numbers travel in text format, blobs in binary. Rows are streamed one
// at a time, so a query over a million records needs no more memory than
// one. Many rows go in through COPY.
#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "kvd/archive/database.h"
#include "kvd/archive/postgres/postgres_binary.h"
#include "kvd/archive/postgres/postgres_row.h"
#include "kvd/archive/postgres/postgres_text.h"

namespace zel::archive {

namespace {

using postgres::appendCopyField;
using postgres::PgRow;
using postgres::numberText;
using Kind = DatabaseError::Kind;
using ResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

constexpr std::size_t kCopyChunk = 256 * 1024;
constexpr std::size_t kMaxStatements = 256;

ResultPtr owned(PGresult* r) { return ResultPtr(r, &PQclear); }

// libpq's messages end in a newline and continue on tab-indented lines.
std::string oneLine(const char* message) {
  std::string out;
  for (const char* c = message ? message : ""; *c; ++c) {
    if (*c == '\n' || *c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += *c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

Kind kindOfState(std::string_view state) {
  if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03") return Kind::Lost;
  if (state.starts_with("23")) return Kind::Constraint;
  if (state == "25006") return Kind::ReadOnly;
  if (state == "40001" || state == "40P01" || state == "55P03") return Kind::Busy;
  if (state == "XX001" || state == "XX002") return Kind::Corrupt;
  return Kind::Other;
}

bool isIdentifier(std::string_view name) {
  return !name.empty() && !(name[0] >= '0' && name[0] <= '9') &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
         });
}

std::string joined(std::span<const std::string_view> names) {
  std::string out;
  for (const auto name : names) {
    if (!isIdentifier(name)) throw std::invalid_argument("not a column name: " + std::string(name));
    if (!out.empty()) out += ", ";
    out += name;
  }
  return out;
}

// Rows changed, from the command tag: a SELECT's row count is no change.
std::int64_t changedRows(const PGresult* r) {
  const std::string_view tag = PQcmdStatus(const_cast<PGresult*>(r));
  for (const auto verb : {"INSERT ", "UPDATE ", "DELETE ", "MERGE ", "COPY "}) {
    if (tag.starts_with(verb)) return std::atoll(PQcmdTuples(const_cast<PGresult*>(r)));
  }
  return 0;
}

class PostgresDatabase final : public Database {
 public:
  explicit PostgresDatabase(const std::string& uri) : described_(postgres::withoutPassword(uri)) {
    // Keywords after the URI override it; connect_timeout before it is a default.
    const char* keywords[] = {"connect_timeout", "dbname", "client_encoding", "application_name", nullptr};
    const char* values[] = {"10", uri.c_str(), "UTF8", "kvd", nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (!conn_) throw std::bad_alloc();
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string where = "cannot connect to the archive server";
      if (const char* host = PQhost(conn_); host && *host) where += std::string(" on ") + host;
      if (const char* db = PQdb(conn_); db && *db) where += std::string(", database \"") + db + '"';
      const auto reason = oneLine(PQerrorMessage(conn_));
      PQfinish(conn_);
      throw DatabaseError(Kind::Other, where + ": " + reason);
    }
    // The server's notices ("already exists, skipping") are no news for the user.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    try {
      execute("SET datestyle TO 'ISO, YMD'; SET bytea_output TO hex");
    } catch (...) {
      PQfinish(conn_);
      throw;
    }
  }
  ~PostgresDatabase() override { PQfinish(conn_); }

  Dialect dialect() const override { return Dialect::Postgres; }
  std::string describe() const override { return described_; }

  void execute(std::string_view sql) override { exec(std::string(sql)); }

  std::int64_t run(std::string_view sql, std::span<const Value> params, const RowHandler& onRow) override {
    const std::string& name = prepared(sql);
    const auto n = params.size();
    std::vector<std::string> texts(n);
    std::vector<const char*> values(n, nullptr);
    std::vector<int> lengths(n, 0);
    std::vector<int> formats(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      const Value& v = params[i];
      switch (v.kind) {
        case Value::Kind::Null: break;
        case Value::Kind::Integer:
        case Value::Kind::Real:
          texts[i] = numberText(v);
          if (!texts[i].empty()) values[i] = texts[i].c_str();
          break;
        case Value::Kind::Text:
          if (v.bytes.find('\0') != std::string_view::npos)
            throw DatabaseError(Kind::Other, "a text with a NUL character cannot be stored");
          texts[i] = v.bytes;
          values[i] = texts[i].c_str();
          break;
        case Value::Kind::Blob:
          values[i] = v.bytes.empty() ? "" : v.bytes.data();
          lengths[i] = static_cast<int>(v.bytes.size());
          formats[i] = 1;
          break;
      }
    }
    if (!PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(n), values.data(), lengths.data(),
                             formats.data(), 0))
      throw failure(nullptr);
    if (onRow) PQsetSingleRowMode(conn_);
    return collect(onRow);
  }

  std::int64_t insertRows(std::string_view table, std::span<const std::string_view> columns,
                          std::span<const Value> values, bool ignoreConflicts,
                          std::span<const std::string_view> returning, const RowHandler& onInserted) override {
    if (columns.empty() || values.size() % columns.size() != 0)
      throw std::invalid_argument("insertRows: the values are not whole rows");
    if (!isIdentifier(table)) throw std::invalid_argument("not a table name: " + std::string(table));
    const std::string target(table);
    const std::string names = joined(columns);
    if (values.empty()) return 0;
    const auto& types = columnTypes(target, columns);
    if (!ignoreConflicts && returning.empty()) return copyIn(target, names, types, values);

    // The rows go to a staging table first, then into the table in the
    // order given, so that ids the table generates follow it (as on SQLite).
    const bool own = PQtransactionStatus(conn_) == PQTRANS_IDLE;
    if (own) begin();
    try {
      const auto& staging = stagingTable(target, names);
      exec("CREATE TEMP TABLE IF NOT EXISTS " + staging + " AS SELECT " + names + " FROM " + target +
           " WITH NO DATA");
      copyIn(staging, names, types, values);
      // A temporary table is read from its first page on, in the order
      // COPY wrote it.
      const auto inserted = run("INSERT INTO " + target + " (" + names + ") SELECT " + names + " FROM " + staging +
                                    (ignoreConflicts ? " ON CONFLICT DO NOTHING" : "") +
                                    (returning.empty() ? "" : " RETURNING " + joined(returning)),
                                {}, onInserted);
      exec("TRUNCATE " + staging);
      if (own) commit();
      return inserted;
    } catch (...) {
      if (own) rollback();
      throw;
    }
  }

  void begin() override { exec("BEGIN"); }

  void commit() override {
    // COMMIT of a transaction that an error aborted answers ROLLBACK, not an error.
    if (std::string_view(PQcmdStatus(exec("COMMIT").get())) == "ROLLBACK")
      throw DatabaseError(Kind::Other, "the archive " + described_ +
                                           " undid the transaction after an earlier failure: nothing of it was saved");
  }

  void rollback() noexcept override {
    if (PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) == PQTRANS_IDLE) return;
    PQclear(PQexec(conn_, "ROLLBACK"));
  }

  void beginSnapshot() override { exec("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"); }

 private:
  // The error of a failed result (or of the connection, for none).
  DatabaseError failure(const PGresult* r) const {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    // A closed socket shows only on libpq's next read: an error of libpq's
    // own (no SQLSTATE) may be that.
    if (!state && PQstatus(conn_) == CONNECTION_OK) PQconsumeInput(conn_);
    if (PQstatus(conn_) == CONNECTION_BAD) {
      return DatabaseError(Kind::Lost, "the archive server " + described_ + " closed the connection (" +
                                           oneLine(PQerrorMessage(conn_)) + ")");
    }
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char* detail = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL) : nullptr;
    std::string message = "the archive " + described_ + ": " + (primary ? primary : oneLine(PQerrorMessage(conn_)));
    if (detail && std::string_view(detail).size() <= 200) message += std::string(" (") + detail + ")";
    return DatabaseError(kindOfState(state ? state : ""), message);
  }

  void ensureReady() const {
    if (PQstatus(conn_) == CONNECTION_BAD) throw failure(nullptr);
    if (reading_)
      throw std::logic_error("a statement was started on the archive while another one was still reading its rows");
  }

  ResultPtr exec(const std::string& sql) {
    ensureReady();
    auto r = owned(PQexec(conn_, sql.c_str()));
    const auto status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw failure(r.get());
    return r;
  }

  const std::string& prepared(std::string_view sql) {
    ensureReady();
    std::string key(sql);
    if (const auto it = statements_.find(key); it != statements_.end()) return it->second;
    if (statements_.size() >= kMaxStatements) {
      PQclear(PQexec(conn_, "DEALLOCATE ALL"));
      statements_.clear();
    }
    std::string name = "kvd_" + std::to_string(++statementCount_);
    const auto r = owned(PQprepare(conn_, name.c_str(), key.c_str(), 0, nullptr));
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) throw failure(r.get());
    return statements_.emplace(std::move(key), std::move(name)).first->second;
  }

  // Every result of the statement sent: rows to `onRow`, the first error
  // kept, and the connection left idle whatever happens.
  std::int64_t collect(const RowHandler& onRow) {
    std::int64_t changed = 0;
    std::optional<DatabaseError> error;
    std::exception_ptr thrown;
    reading_ = true;
    while (PGresult* raw = PQgetResult(conn_)) {
      const auto r = owned(raw);
      const auto status = PQresultStatus(raw);
      if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
        for (int row = 0; onRow && !thrown && row < PQntuples(raw); ++row) {
          try {
            onRow(PgRow(raw, row));
          } catch (...) {
            thrown = std::current_exception();
          }
        }
      }
      if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        changed = changedRows(raw);
      } else if (status != PGRES_SINGLE_TUPLE && !error) {
        error = failure(raw);
      }
    }
    reading_ = false;
    if (!error && PQstatus(conn_) == CONNECTION_BAD) error = failure(nullptr);
    if (thrown) std::rethrow_exception(thrown);
    if (error) throw *error;
    return changed;
  }

  // The rows in binary when every value fits its column's type, else as text.
  std::int64_t copyIn(const std::string& table, const std::string& names, std::span<const std::uint32_t> types,
                      std::span<const Value> values) {
    ensureReady();
    if (postgres::binaryCopy(types, values, copyBuffer_)) {
      auto r = owned(PQexec(conn_, ("COPY " + table + " (" + names + ") FROM STDIN (FORMAT binary)").c_str()));
      if (PQresultStatus(r.get()) != PGRES_COPY_IN) throw failure(r.get());
      bool sent = true;
      for (std::size_t at = 0; sent && at < copyBuffer_.size(); at += kCopyChunk) {
        const auto n = std::min(kCopyChunk, copyBuffer_.size() - at);
        sent = PQputCopyData(conn_, copyBuffer_.data() + at, static_cast<int>(n)) == 1;
      }
      if (sent) PQputCopyEnd(conn_, nullptr);
      return collect({});
    }
    const std::size_t width = types.size();
    auto r = owned(PQexec(conn_, ("COPY " + table + " (" + names + ") FROM STDIN").c_str()));
    if (PQresultStatus(r.get()) != PGRES_COPY_IN) throw failure(r.get());
    std::string chunk;
    chunk.reserve(kCopyChunk + 4096);
    bool sent = true;
    try {
      for (std::size_t i = 0; sent && i < values.size(); ++i) {
        appendCopyField(chunk, values[i]);
        chunk += (i + 1) % width == 0 ? '\n' : '\t';
        if (chunk.size() >= kCopyChunk) {
          sent = PQputCopyData(conn_, chunk.data(), static_cast<int>(chunk.size())) == 1;
          chunk.clear();
        }
      }
      if (sent && !chunk.empty()) sent = PQputCopyData(conn_, chunk.data(), static_cast<int>(chunk.size())) == 1;
    } catch (...) {
      // A value that cannot be sent ends the COPY with nothing of it kept.
      PQputCopyEnd(conn_, "a value could not be sent");
      try {
        collect({});
      } catch (const DatabaseError&) {
      }
      throw;
    }
    if (sent) PQputCopyEnd(conn_, nullptr);
    return collect({});
  }

  // The type oids of the table's columns, by the server's catalogue (0 for
  // a column it does not name).
  const std::vector<std::uint32_t>& columnTypes(const std::string& table, std::span<const std::string_view> columns) {
    const auto key = table + '(' + joined(columns) + ')';
    if (const auto it = columnTypes_.find(key); it != columnTypes_.end()) return it->second;
    std::unordered_map<std::string, std::uint32_t> byName;
    run("SELECT attname::text, atttypid::int8 FROM pg_attribute WHERE attrelid = $1::regclass AND attnum > 0",
        std::vector{Value::ofText(table)}, [&](const Row& row) { byName[row.text(0)] = static_cast<std::uint32_t>(row.integer(1)); });
    std::vector<std::uint32_t> types;
    for (const auto name : columns) types.push_back(byName[std::string(name)]);
    return columnTypes_.emplace(key, std::move(types)).first->second;
  }

  // One staging table per target and column list, kept for the session.
  const std::string& stagingTable(const std::string& table, const std::string& names) {
    const auto key = table + '(' + names + ')';
    if (const auto it = staging_.find(key); it != staging_.end()) return it->second;
    return staging_.emplace(key, "kvd_staging_" + std::to_string(staging_.size() + 1)).first->second;
  }

  PGconn* conn_ = nullptr;
  std::string described_;
  std::unordered_map<std::string, std::string> statements_;
  std::uint64_t statementCount_ = 0;
  std::unordered_map<std::string, std::string> staging_;
  std::string copyBuffer_;  // a COPY's rows in binary, its memory kept for the next
  std::unordered_map<std::string, std::vector<std::uint32_t>> columnTypes_;
  bool reading_ = false;
};

}  // namespace

std::unique_ptr<Database> openPostgres(const std::string& uri) { return std::make_unique<PostgresDatabase>(uri); }

}  // namespace zel::archive
