// What every route of kvd serve shares: the archive (one connection for the
// requests that change it, one at a time, and reading connections for the
// others), the secrets, the language, the open spectrum panels, and on the
// lab server the sessions and the sign-in locks.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "kvd/archive/archive.h"
#include "kvd/serve/archive_pool.h"
#include "kvd/serve/caller.h"
#include "kvd/serve/sessions.h"
#include "kvd/serve/sign_in_locks.h"
#include "kvd/serve/spectrum_sessions.h"

namespace zel::serve {

struct ServeSettings {
  std::string location;     // the archive as kvd names it (archiveLocation's result)
  std::string language;     // --lang: "en", "ru" or empty (then the browser's)
  std::string listen;       // --listen ADDRESS: the lab server; empty: 127.0.0.1 for this computer alone
  int port = 0;             // 0: a free one
  std::string tlsCertificate;  // --tls-cert and --tls-key (the lab server); empty: a self-signed one
  std::string tlsKey;
};

struct ServeContext {
  ServeSettings settings;
  std::string shownLocation;  // without a password
  std::string token;
  std::string csrf;
  std::string version;
  std::unique_ptr<archive::Archive> writer;
  std::mutex writerMutex;
  std::unique_ptr<ArchivePool> readers;
  SpectrumSessions panels;
  std::function<void()> quit;  // stops the server after the answer
  // The user and host at this computer: who changes the archive through
  // the personal server.
  archive::Actor desk;
  Clock now = [] { return std::chrono::steady_clock::now(); };
  SessionStore sessions{now};
  SignInLocks signInLocks{now};

  bool lab() const { return !settings.listen.empty(); }

  // Runs `body` with a connection to the archive for this request alone.
  template <typename F>
  auto withArchive(F&& body) {
    return readers->with(std::forward<F>(body));
  }
  // The same for a request that changes the archive: one after the other,
  // as the archive takes its changes anyway, each in the name of the
  // request's caller and with its reason.
  template <typename F>
  auto changeArchive(F&& body) {
    std::lock_guard lock(writerMutex);
    writer->setActor(requestActor(currentCaller(), desk));
    return body(*writer);
  }
};

}  // namespace zel::serve
