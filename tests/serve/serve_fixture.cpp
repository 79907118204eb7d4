#include "tests/serve/serve_fixture.h"

#include <chrono>
#include <random>

#include "tools/kvdgen/kvd_description.h"

namespace zel::serve::test {

namespace fs = std::filesystem;

void ServeTest::SetUp() {
  std::random_device random;
  dir_ = fs::temp_directory_path() / ("kvd-serve-test-" + std::to_string(random()));
  fs::create_directories(dir_);
  archivePath_ = dir_ / "archive.sqlite";
  ServeSettings settings{archivePath_.string(), "", "", 0};
  server_ = std::make_unique<Server>(settings,
                                     std::make_unique<archive::Archive>(archive::openLocation(archivePath_.string(), true)),
                                     "test");
  std::string why;
  ASSERT_TRUE(server_->bind(why)) << why;
  host_ = "127.0.0.1:" + std::to_string(server_->port());
  thread_ = std::thread([this] { server_->run(); });
  // Bounded: the server answers within a few seconds or the test fails.
  for (int k = 0; k < 200; ++k) {
    if (get("/api/session")) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FAIL() << "the server did not answer";
}

void ServeTest::TearDown() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string ServeTest::kvdBytes(const std::string& description) {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(description.empty() ? kvd::demoDescription() : description, bytes, error))
      << error.line << ": " << error.message;
  return {bytes.begin(), bytes.end()};
}

httplib::Headers ServeTest::auth() const {
  return {{"Authorization", "Bearer " + server_->token()}, {"X-CSRF-Token", server_->csrf()}};
}

httplib::Client ServeTest::client() const {
  httplib::Client c("127.0.0.1", server_->port());
  c.set_connection_timeout(5);
  c.set_read_timeout(30);
  return c;
}

httplib::Result ServeTest::get(const std::string& path) const { return client().Get(path.c_str(), auth()); }

httplib::Result ServeTest::post(const std::string& path, const Json& body) const {
  return client().Post(path.c_str(), auth(), body.dump(), "application/json");
}

httplib::Result ServeTest::upload(const std::vector<std::pair<std::string, std::string>>& files) const {
  httplib::MultipartFormDataItems items;
  for (const auto& [name, bytes] : files) items.push_back({"file", bytes, name, "application/octet-stream"});
  return client().Post("/api/import", auth(), items);
}

Json ServeTest::json(const httplib::Result& result) {
  if (!result) return Json();
  return Json::parse(result->body, nullptr, false);
}

archive::Archive ServeTest::openArchive() const {
  return archive::Archive(archive::openLocation(archivePath_.string(), false));
}

}  // namespace zel::serve::test
