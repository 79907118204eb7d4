// A real lab server (kvd serve --listen 127.0.0.1) in the test's process:
// HTTPS with the self-signed certificate it makes beside a fresh SQLite
// archive (or, for a fixture on PostgreSQL, a new database on the tests'
// server and the certificate in the user's data folder, which is the
// test's), which holds one account of each role. The client checks the
// server's certificate against that file, as curl --cacert does, and signs
// in as a browser would: the session's cookie, its CSRF token, the Origin.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "kvd/archive/archive.h"
#include "kvd/serve/server.h"

namespace zel::serve::test {

using Json = nlohmann::ordered_json;

// Every account's password in these tests.
inline constexpr const char* kPassword = "lab-password-1";

class LabServeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fixture whose archive is a database on the tests' PostgreSQL server.
  virtual bool onPostgres() const { return false; }

 public:  // for the tests' tables of requests

  // A session as the browser holds it.
  struct Signed {
    std::string cookie;  // "kvd_session=…"
    std::string csrf;
  };
  // Signs in; fails the test when the server refuses.
  Signed signIn(const std::string& login, const std::string& password = kPassword);
  // POST /api/login as the sign-in page sends it.
  httplib::Result login(const std::string& login, const std::string& password);

  std::unique_ptr<httplib::SSLClient> client() const;  // verifying the certificate
  // A POST's headers as the page sends them: the Origin, and the session's
  // cookie and CSRF token when signed in.
  httplib::Headers postHeaders(const Signed* as) const;
  httplib::Result get(const std::string& path, const Signed* as) const;
  httplib::Result post(const std::string& path, const Json& body, const Signed* as) const;
  // Uploads a measurement file made from a kvdgen description, as the
  // archive page's form does.
  httplib::Result upload(const std::string& name, const std::string& description, const Signed* as) const;
  static Json json(const httplib::Result& result);

  // Starts the server on these settings (the archive and --listen given).
  void start(ServeSettings settings);
  void stopServer();
  ServeSettings labSettings() const;

  // The archive file, opened by a second connection.
  archive::Archive openArchive() const;
  // A digest of every row of every table of the archive.
  std::string archiveDigest() const;
  // Moves the clock of the sessions and the sign-in locks on.
  void later(std::chrono::seconds by) { shift_ += by.count(); }

  std::filesystem::path dir_;
  std::string location_;  // the archive: the SQLite file or the database's URI
  std::string database_;  // the PostgreSQL database's name
  std::filesystem::path certificateFile_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
  std::string origin_;  // "https://127.0.0.1:PORT"
  std::atomic<long long> shift_{0};
};

// The fixture's accounts, one of each role.
inline constexpr const char* kViewer = "vera";
inline constexpr const char* kOperator = "oleg";
inline constexpr const char* kApprover = "alla";
inline constexpr const char* kAdmin = "adam";

}  // namespace zel::serve::test
