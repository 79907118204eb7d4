// A PostgreSQL server of the tests' own, through tests/archive/pg-server: in
// a temporary folder, on a Unix socket there, as an unprivileged user.
#pragma once

#include <filesystem>
#include <string>

namespace zel::archive::test {

// The URI of another database on the server of `serverUri`.
std::string databaseUri(const std::string& serverUri, const std::string& database);

// A name no other test process uses at the same time: `prefix`, the process
// id and a counter.
std::string uniqueName(const std::string& prefix);

class TestServer {
 public:
  // Makes a new cluster in a new temporary folder and starts it.
  TestServer();
  // Starts the cluster in `dir`, made there when missing; it is kept.
  explicit TestServer(std::filesystem::path dir);
  // Stops the server and removes its folder (unless it was given).
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  void start();  // again, on the same data
  void stop();   // waiting for the sessions to end
  void crash();  // at once, as a power cut would
  const std::string& uri() const { return uri_; }

 private:
  void script(const std::string& command);
  std::filesystem::path dir_;
  bool keep_ = false;
  std::string uri_;
};

}  // namespace zel::archive::test
