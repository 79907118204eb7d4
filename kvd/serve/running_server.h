// The server running for an archive, remembered in a file that only the
// user can read, beside the user's own archive, so that a second kvd serve
// opens the running one instead of starting another. The file is trusted
// only when the server it names answers with its token.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zel::serve {

struct RunningServer {
  std::string address;  // "http://127.0.0.1:PORT"
  std::string token;
};

// One file per archive location: serve-<hash of the location>.json.
std::filesystem::path runningServerFile(const std::string& location);
std::optional<RunningServer> findRunningServer(const std::string& location);
bool rememberRunningServer(const std::string& location, const RunningServer& server);
void forgetRunningServer(const std::string& location);

}  // namespace zel::serve
