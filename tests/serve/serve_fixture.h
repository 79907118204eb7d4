// A real kvd serve on 127.0.0.1 in the test's process, on a fresh SQLite
// archive in a folder of its own, and a plain HTTP client that speaks to it
// as a script does (Bearer token, CSRF header) unless told otherwise.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "kvd/archive/archive.h"
#include "kvd/serve/server.h"

namespace zel::serve::test {

using Json = nlohmann::ordered_json;

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Measurement-file bytes from a kvdgen description; the demo's own
  // 27 records (one per mode code) when empty.
  static std::string kvdBytes(const std::string& description = {});

  httplib::Headers auth() const;                // Bearer and the CSRF token
  httplib::Client client() const;               // to the server's port
  httplib::Result get(const std::string& path) const;
  httplib::Result post(const std::string& path, const Json& body) const;
  // Uploads the files (name, bytes) as the page's form does.
  httplib::Result upload(const std::vector<std::pair<std::string, std::string>>& files) const;
  static Json json(const httplib::Result& result);

  // The archive file, opened by a second connection, as kvd archive reads it.
  archive::Archive openArchive() const;

  std::filesystem::path dir_;
  std::filesystem::path archivePath_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
  std::string host_;  // "127.0.0.1:PORT"
};

}  // namespace zel::serve::test
