#include "tests/serve/lab_fixture.h"

#include <algorithm>
#include <random>
#include <vector>

#include <cstdlib>

#include "kvd/archive/sha256.h"
#include "kvd/serve/tls_files.h"
#include "tests/archive/backend_fixture.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::serve::test {

namespace fs = std::filesystem;

void LabServeTest::SetUp() {
  std::random_device random;
  dir_ = fs::temp_directory_path() / ("kvd-lab-test-" + std::to_string(random()));
  fs::create_directories(dir_);
  if (onPostgres()) {
    // The self-signed certificate of a PostgreSQL archive is kept in the
    // user's data folder; ctest runs each test in a process of its own.
    ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    location_ = archive::test::newPostgresDatabase(database_);
  } else {
    location_ = (dir_ / "archive.sqlite").string();
  }
  certificateFile_ = selfSignedFiles(location_).certificate;
  {
    archive::Archive a(archive::openLocation(location_, true));
    a.setActor({"tester@test", ""});
    const std::pair<const char*, archive::Role> accounts[] = {{kViewer, archive::Role::Viewer},
                                                               {kOperator, archive::Role::Operator},
                                                               {kApprover, archive::Role::Approver},
                                                               {kAdmin, archive::Role::Admin}};
    for (const auto& [login, role] : accounts)
      a.addAccount(archive::Account{login, std::string("Person ") + login, "chemist", role, true, ""}, kPassword);
  }
  start(labSettings());
}

ServeSettings LabServeTest::labSettings() const {
  ServeSettings settings;
  settings.location = location_;
  settings.listen = "127.0.0.1";
  return settings;
}

void LabServeTest::start(ServeSettings settings) {
  server_ = std::make_unique<Server>(
      settings, std::make_unique<archive::Archive>(archive::openLocation(settings.location, true)), "test");
  server_->context().now = [this] { return std::chrono::steady_clock::now() + std::chrono::seconds(shift_.load()); };
  std::string why;
  ASSERT_TRUE(server_->bind(why)) << why;
  origin_ = "https://127.0.0.1:" + std::to_string(server_->port());
  thread_ = std::thread([this] { server_->run(); });
  // A stop before the server runs would be lost; bounded, the server runs
  // within seconds or the test fails.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!server_->running()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the server did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void LabServeTest::stopServer() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

void LabServeTest::TearDown() {
  stopServer();
  if (!database_.empty()) archive::test::dropPostgresDatabase(database_);
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::unique_ptr<httplib::SSLClient> LabServeTest::client() const {
  auto c = std::make_unique<httplib::SSLClient>("127.0.0.1", server_->port());
  c->set_ca_cert_path(certificateFile_.string());
  c->enable_server_certificate_verification(true);
  c->set_connection_timeout(5);
  c->set_read_timeout(30);
  return c;
}

httplib::Result LabServeTest::login(const std::string& login, const std::string& password) {
  return client()->Post("/api/login", httplib::Headers{{"Origin", origin_}},
                       Json{{"login", login}, {"password", password}}.dump(), "application/json");
}

LabServeTest::Signed LabServeTest::signIn(const std::string& who, const std::string& password) {
  const httplib::Result answer = login(who, password);
  EXPECT_TRUE(answer && answer->status == 200) << (answer ? answer->body : httplib::to_string(answer.error()));
  if (!answer || answer->status != 200) return {};
  const std::string cookie = answer->get_header_value("Set-Cookie");
  return Signed{cookie.substr(0, cookie.find(';')), json(answer).value("csrf", "")};
}

httplib::Result LabServeTest::get(const std::string& path, const Signed* as) const {
  httplib::Headers headers;
  if (as) headers.emplace("Cookie", as->cookie);
  return client()->Get(path.c_str(), headers);
}

httplib::Headers LabServeTest::postHeaders(const Signed* as) const {
  httplib::Headers headers{{"Origin", origin_}};
  if (as) {
    headers.emplace("Cookie", as->cookie);
    headers.emplace("X-CSRF-Token", as->csrf);
  }
  return headers;
}

httplib::Result LabServeTest::post(const std::string& path, const Json& body, const Signed* as) const {
  return client()->Post(path.c_str(), postHeaders(as), body.dump(), "application/json");
}

httplib::Result LabServeTest::upload(const std::string& name, const std::string& description,
                                     const Signed* as) const {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(description, bytes, error)) << error.line << ": " << error.message;
  const httplib::MultipartFormDataItems items{
      {"file", std::string(bytes.begin(), bytes.end()), name, "application/octet-stream"}};
  return client()->Post("/api/import", postHeaders(as), items);
}

Json LabServeTest::json(const httplib::Result& result) {
  if (!result) return Json();
  return Json::parse(result->body, nullptr, false);
}

archive::Archive LabServeTest::openArchive() const {
  return archive::Archive(archive::openLocation(location_, false));
}

std::string LabServeTest::archiveDigest() const {
  archive::Archive a = openArchive();
  archive::Database& db = a.database();
  std::vector<std::string> tables;
  db.run(db.dialect() == archive::Dialect::Sqlite
             ? "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"
             : "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' AND "
               "table_type = 'BASE TABLE' ORDER BY table_name",
         {}, [&](const archive::Row& row) { tables.push_back(row.text(0)); });
  std::string all;
  for (const std::string& table : tables) {
    std::vector<std::string> rows;
    db.run("SELECT * FROM \"" + table + "\"", {}, [&](const archive::Row& row) {
      std::string line;
      for (int k = 0; k < row.size(); ++k) line += (row.isNull(k) ? std::string("\x01") : row.blob(k)) + '\x1f';
      rows.push_back(line);
    });
    std::sort(rows.begin(), rows.end());
    all += table + '\x1e';
    for (const std::string& row : rows) all += row + '\x1e';
  }
  const archive::Digest digest = archive::sha256(reinterpret_cast<const std::uint8_t*>(all.data()), all.size());
  return archive::hexText(digest.data(), digest.size());
}

}  // namespace zel::serve::test
