// The archive's opening: where it is, which database, and its schema brought
// to this kvd's version (or refused when it is newer).
#include "kvd/archive/archive.h"

#include <cstdlib>
#include <system_error>

#include <nlohmann/json.hpp>

#include "kvd/archive/audit_append.h"
#include "kvd/archive/location.h"
#include "kvd/archive/schema.h"
#include "kvd/io/platform.h"

namespace zel::archive {

std::string archiveLocation(const std::string& option) {
  if (!option.empty()) return option;
  if (const char* env = std::getenv("KVD_ARCHIVE"); env != nullptr && env[0] != '\0') return env;
  return cli::platform::utf8FromPath(defaultArchivePath());
}

bool isPostgresLocation(const std::string& location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Database> openLocation(const std::string& location, bool create) {
  // SQLite takes an empty name for a temporary database, gone at the end.
  if (location.empty()) throw ArchiveError("no archive named");
  if (isPostgresLocation(location)) return openPostgres(location);
  const std::filesystem::path file = cli::platform::pathFromUtf8(location);
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec))
    throw ArchiveError(location + " is a folder; name the archive file, for example " +
                       cli::platform::utf8FromPath(file / "archive.sqlite"));
  if (!std::filesystem::exists(file, ec)) {
    if (!create) throw ArchiveError("there is no archive at " + location + " yet: import files into it first");
    if (file.has_parent_path()) {
      std::filesystem::create_directories(file.parent_path(), ec);
      if (ec) throw ArchiveError("cannot make the archive's folder: " + ec.message());
    }
  }
  return openSqlite(file, create);
}

Archive::Archive(std::unique_ptr<Database> database) : db_(std::move(database)) {
  // Until told otherwise, whoever runs this program acts: an upgrade
  // below, and every change of a program that names no other actor.
  actor_ = {userAtHost(), ""};
  Database& db = *db_;
  int version = schema::storedVersion(db);
  if (version > kSchemaVersion)
    throw ArchiveError("the archive has schema version " + std::to_string(version) + ", newer than this kvd knows (" +
                       std::to_string(kSchemaVersion) + "): use a newer kvd; nothing was changed");
  if (version == kSchemaVersion) return;
  if (version == 0 && schema::hasTables(db))
    throw ArchiveError("the database holds tables but is no kvd archive; nothing was changed");
  db.begin();
  try {
    // Another kvd may have made or upgraded it meanwhile: look again under the lock.
    if (db.dialect() == Dialect::Postgres) db.run("SELECT pg_advisory_xact_lock(6880688)");
    version = schema::storedVersion(db);
    if (version > kSchemaVersion)
      throw ArchiveError("the archive has schema version " + std::to_string(version) +
                         ", newer than this kvd knows (" + std::to_string(kSchemaVersion) + ")");
    const int from = version;
    for (int v = version + 1; v <= kSchemaVersion; ++v)
      for (const std::string& statement : schema::migration(v, db.dialect())) db.run(statement);
    const std::string text = std::to_string(kSchemaVersion);
    const Value values[] = {Value::ofText(text)};
    if (from == 0) {
      db.run("INSERT INTO archive_info (key, value) VALUES ('schema_version', $1)", values);
      db.run("INSERT INTO archive_info (key, value) VALUES ('application', 'kvd')");
    } else if (from < kSchemaVersion) {
      db.run("UPDATE archive_info SET value = $1 WHERE key = 'schema_version'", values);
      // The trail of an archive begins with the upgrade that made it.
      appendAudit(db, actor_, "archive.upgrade", "archive", nlohmann::json{{"schema_version", from}}.dump(),
                  nlohmann::json{{"schema_version", kSchemaVersion}}.dump());
    }
    db.commit();
    if (from > 0 && from < kSchemaVersion) upgradedFrom_ = from;
  } catch (...) {
    db.rollback();
    throw;
  }
}

Archive::~Archive() = default;

}  // namespace zel::archive
