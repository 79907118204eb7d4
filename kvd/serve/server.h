// kvd serve's web server: cpp-httplib on 127.0.0.1 for this computer alone
// (plain HTTP, a one-time token), or with --listen the lab server on that
// address (HTTPS only, everyone signed in with an account of the archive);
// every request through the guards first, then the routes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kvd/serve/serve_context.h"
#include "kvd/serve/tls_files.h"

namespace httplib {
class Server;
}

namespace zel::serve {

// Requests are at most this large (an upload of files with its form).
inline constexpr std::size_t kMaxRequestBytes = 64u << 20;

class Server {
 public:
  // Takes the opened archive; makes the token and the CSRF token.
  Server(ServeSettings settings, std::unique_ptr<archive::Archive> archive, std::string version);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // The lab server's certificate first (refused: not readable, not
  // matching its key); then binds the port (a free one for port 0). False
  // with the reason.
  bool bind(std::string& why);
  int port() const { return port_; }
  const std::string& token() const { return context_.token; }
  const std::string& csrf() const { return context_.csrf; }
  // "http://127.0.0.1:PORT", or the lab server's "https://ADDRESS:PORT",
  // one for each of this computer's addresses when it listens on all.
  std::vector<std::string> addresses() const;
  std::string address() const;  // the first of them
  // The lab server's certificate, after bind().
  const LabCertificate& certificate() const { return certificate_; }
  // Serves until stop(); the request in hand is finished first.
  void run();
  // Whether run() serves: stop() before it does would be lost.
  bool running() const;
  void stop();
  ServeContext& context() { return context_; }

 private:
  bool listen(std::string& why);
  void setErrorHandler();
  void addRoutes();

  ServeContext context_;
  std::unique_ptr<httplib::Server> http_;
  LabCertificate certificate_;
  std::vector<std::string> addresses_;  // the lab server is reached by
  int port_ = 0;
};

}  // namespace zel::serve
