#include "tests/archive/backend_fixture.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "kvd/archive/archive.h"
#include "tests/archive/test_server.h"

namespace zel::archive::test {

namespace {

// The tests' server: ZEL_PG_URI, else the URI in the folder ZEL_PG_SERVER.
std::string serverUri() {
  if (const char* uri = std::getenv("ZEL_PG_URI"); uri && *uri) return uri;
  const char* dir = std::getenv("ZEL_PG_SERVER");
  if (!dir || !*dir) return {};
  std::ifstream in(std::filesystem::path(dir) / "uri");
  std::string uri;
  std::getline(in, uri);
  return uri;
}

}  // namespace

std::string backendName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

std::string newPostgresDatabase(std::string& name) {
  const std::string server = serverUri();
  if (server.empty())
    throw std::runtime_error(
        "no PostgreSQL server for the archive tests: run them through ctest, which starts one, or start one with "
        "tests/archive/pg-server start DIR and set ZEL_PG_SERVER=DIR (or ZEL_PG_URI to a server of your own)");
  name = uniqueName("kvd_test");
  openPostgres(server)->execute("CREATE DATABASE " + name + " TEMPLATE template0 ENCODING 'UTF8'");
  return databaseUri(server, name);
}

void dropPostgresDatabase(const std::string& name) {
  // FORCE ends the sessions still open (an Archive the test still holds).
  openPostgres(serverUri())->execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

void BackendTest::SetUp() {
  dir_ = std::filesystem::temp_directory_path() / uniqueName("kvd-archive-test");
  std::filesystem::create_directories(dir_);
  if (!postgres()) {
    location_ = (dir_ / "archive.sqlite").string();
    db_ = openSqlite(location_, true);
    return;
  }
  location_ = newPostgresDatabase(database_);
  db_ = openPostgres(location_);
}

void BackendTest::TearDown() {
  db_.reset();
  if (!database_.empty()) dropPostgresDatabase(database_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::unique_ptr<Database> BackendTest::freshDatabase() {
  if (db_) return std::move(db_);
  return openLocation(location_, true);
}

std::unique_ptr<Database> BackendTest::secondConnection() { return openLocation(location_, false); }

std::int64_t count(Database& db, const std::string& sql) {
  std::int64_t n = -1;
  db.run(sql, {}, [&](const Row& row) { n = row.integer(0); });
  return n;
}

}  // namespace zel::archive::test
