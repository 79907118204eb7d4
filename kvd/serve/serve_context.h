// What every route of kvd serve shares: the archive (one connection, used
// by one request at a time), the secrets, the language and the open
// spectrum panels.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "kvd/archive/archive.h"
#include "kvd/serve/spectrum_sessions.h"

namespace zel::serve {

struct ServeSettings {
  std::string location;     // the archive as kvd names it (archiveLocation's result)
  std::string language;     // --lang: "en", "ru" or empty (then the browser's)
  std::string listen;       // --listen ADDRESS, empty for 127.0.0.1 only
  int port = 0;             // 0: a free one
};

struct ServeContext {
  ServeSettings settings;
  std::string shownLocation;  // without a password
  std::string token;
  std::string csrf;
  std::string version;
  std::unique_ptr<archive::Archive> archive;
  std::mutex archiveMutex;
  SpectrumSessions panels;
  std::function<void()> quit;  // stops the server after the answer

  // Runs `body` with the archive held for this request alone.
  template <typename F>
  auto withArchive(F&& body) {
    std::lock_guard lock(archiveMutex);
    return body(*archive);
  }
};

}  // namespace zel::serve
