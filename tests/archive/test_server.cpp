#include "tests/archive/test_server.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace zel::archive::test {

std::string databaseUri(const std::string& serverUri, const std::string& database) {
  const auto authority = serverUri.find("://") + 3;
  const auto slash = serverUri.find('/', authority);
  return serverUri.substr(0, slash) + "/" + database;
}

std::string uniqueName(const std::string& prefix) {
  static std::atomic<int> counter{0};
  return prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

TestServer::TestServer() : dir_(std::filesystem::temp_directory_path() / uniqueName("kvd-pg")) {
  script("start " + dir_.string() + " --fresh");
}

TestServer::TestServer(std::filesystem::path dir) : dir_(std::move(dir)), keep_(true) { start(); }

TestServer::~TestServer() {
  try {
    script((keep_ ? "stop " : "remove ") + dir_.string());
  } catch (const std::exception&) {
  }
}

void TestServer::start() { script("start " + dir_.string()); }
void TestServer::stop() { script("stop " + dir_.string()); }
void TestServer::crash() { script("crash " + dir_.string()); }

void TestServer::script(const std::string& command) {
  // The folder's name is ours: no character in it needs quoting.
  const std::string line = std::string("'") + ZEL_PG_SERVER_SCRIPT + "' " + command + " >/dev/null";
  if (std::system(line.c_str()) != 0) throw std::runtime_error("pg-server " + command + " failed");
  if (!command.starts_with("start")) return;
  std::ifstream in(dir_ / "uri");
  if (!std::getline(in, uri_)) throw std::runtime_error("pg-server wrote no URI in " + dir_.string());
}

}  // namespace zel::archive::test
