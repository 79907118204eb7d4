#include "kvd/serve/running_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "kvd/archive/archive.h"
#include "kvd/archive/location.h"
#include "kvd/io/platform.h"
#include "kvd/archive/sha256.h"
#include "kvd/serve/serve_platform.h"

namespace zel::serve {

namespace {

using FileJson = nlohmann::json;
constexpr std::size_t kHashDigits = 16;

// The archive as one text whatever folder kvd was started in: an archive
// file by its full path (two folders' "lab.sqlite" are two archives), a
// server's archive by its address.
std::string archiveKey(const std::string& location) {
  if (archive::isPostgresLocation(location)) return location;
  std::error_code ec;
  const std::filesystem::path full =
      std::filesystem::weakly_canonical(std::filesystem::absolute(cli::platform::pathFromUtf8(location), ec), ec);
  return ec ? location : cli::platform::utf8FromPath(full);
}

}  // namespace

std::filesystem::path runningServerFile(const std::string& location) {
  const std::string key = archiveKey(location);
  const archive::Digest digest = archive::sha256(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
  const std::string hash = archive::hexText(digest.data(), digest.size()).substr(0, kHashDigits);
  return archive::defaultArchivePath().parent_path() / ("serve-" + hash + ".json");
}

std::optional<RunningServer> findRunningServer(const std::string& location) {
  std::ifstream in(runningServerFile(location));
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  const FileJson file = FileJson::parse(text.str(), nullptr, false);
  if (file.is_discarded() || !file.is_object() || !file.contains("address") || !file.contains("token") ||
      !file["address"].is_string() || !file["token"].is_string() || file.value("archive", "") != archiveKey(location))
    return std::nullopt;
  RunningServer server{file["address"].get<std::string>(), file["token"].get<std::string>()};
  httplib::Client client(server.address);
  client.set_connection_timeout(2);
  client.set_read_timeout(5);
  const httplib::Result answer =
      client.Get("/api/session", httplib::Headers{{"Authorization", "Bearer " + server.token}});
  if (!answer || answer->status != 200) return std::nullopt;
  return server;
}

bool rememberRunningServer(const std::string& location, const RunningServer& server) {
  const std::filesystem::path file = runningServerFile(location);
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  const FileJson content{{"archive", archiveKey(location)}, {"address", server.address}, {"token", server.token}};
  return writePrivateFile(file, content.dump() + "\n");
}

void forgetRunningServer(const std::string& location) {
  std::error_code ec;
  std::filesystem::remove(runningServerFile(location), ec);
}

}  // namespace zel::serve
