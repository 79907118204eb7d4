// kvd serve's HTTP server: cpp-httplib on 127.0.0.1 (or the --listen
// address) with every request through the guards first, then the routes.
#pragma once

#include <memory>
#include <string>

#include "kvd/serve/serve_context.h"

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

  // Binds the port (a free one for port 0); false with the reason.
  bool bind(std::string& why);
  int port() const { return port_; }
  const std::string& token() const { return context_.token; }
  const std::string& csrf() const { return context_.csrf; }
  // "http://127.0.0.1:PORT" (or the --listen address).
  std::string address() const;
  // Serves until stop(); the request in hand is finished first.
  void run();
  void stop();
  ServeContext& context() { return context_; }

 private:
  ServeContext context_;
  std::unique_ptr<httplib::Server> http_;
  int port_ = 0;
};

}  // namespace zel::serve
