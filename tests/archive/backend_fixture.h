// The one way archive tests get a fresh database: the same test on SQLite
// (a new file in a temporary folder) and on PostgreSQL (a new database on
// the tests' server, dropped afterwards). The server is the one ctest
// starts (ZEL_PG_SERVER names its folder) or any other (ZEL_PG_URI); with
// neither, every PostgreSQL case fails, saying so.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "kvd/archive/database.h"

namespace zel::archive::test {

class BackendTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool postgres() const { return GetParam() == "postgres"; }
  // The test's archive, opened in SetUp; once taken, a new connection to it.
  std::unique_ptr<Database> freshDatabase();
  // Another connection to the same archive, as a second kvd would have.
  std::unique_ptr<Database> secondConnection();
  // The archive as `kvd --archive` names it: the file, or the URI.
  const std::string& location() const { return location_; }

  std::filesystem::path dir_;  // a temporary folder of the test's own
  std::unique_ptr<Database> db_;

 private:
  std::string database_;
  std::string location_;
};

std::string backendName(const ::testing::TestParamInfo<std::string>& info);

// A new, empty database on the tests' PostgreSQL server, for tests that are
// not BackendTests: its URI, and its name in `name` for dropPostgresDatabase.
// Throws when there is no server.
std::string newPostgresDatabase(std::string& name);
// Drops it, ending the sessions still open on it.
void dropPostgresDatabase(const std::string& name);

// The first column of the query's last row as an integer; -1 without rows.
std::int64_t count(Database& db, const std::string& sql);

// The passwords of the accounts that the account tests make; Cyrillic, so
// that characters and bytes differ.
inline const std::string kAnnaPassword = "Лаборатория-2024";
inline const std::string kBorisPassword = "boris-secret-42";

#define INSTANTIATE_BACKENDS(suite)                                                                          \
  INSTANTIATE_TEST_SUITE_P(Backends, suite, ::testing::Values(std::string("sqlite"), std::string("postgres")), \
                           ::zel::archive::test::backendName)

}  // namespace zel::archive::test
