#include "kvd/serve/server.h"

#include <httplib.h>

#include <cctype>
#include <cstdio>

#include "kvd/archive/location.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"
#include "kvd/serve/guards.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/lab_guards.h"
#include "kvd/serve/listen_address.h"
#include "kvd/serve/local_addresses.h"
#include "kvd/serve/listen_socket.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/serve_platform.h"

namespace zel::serve {

namespace {

constexpr std::size_t kTokenBytes = 32;
// Threads answering requests. A browser keeps up to six connections open
// between requests and each holds a thread while it waits, so cpp-httplib's
// eight would leave a second tab or a colleague's browser waiting.
constexpr std::size_t kWorkers = 32;
// Reading connections to the archive at most: requests beyond them wait for
// one. Each SQLite connection keeps a page cache of its own; a reader's is
// kept small, the writer's is sized to the archive as an import's is.
constexpr std::size_t kReaders = 3;
constexpr const char* kReaderCache = "PRAGMA cache_size = -16384";

// The addresses the lab server is reached by: the --listen address, or
// for all of this computer's (0.0.0.0, ::) each of its own.
std::vector<std::string> reachedBy(const std::string& listen) {
  if (!anyAddress(listen)) return {listen};
  std::vector<std::string> addresses = localAddresses();
  if (addresses.empty()) addresses.push_back("127.0.0.1");
  return addresses;
}

// The names a browser may reach the server by, with its port: the
// loopback's, and the lab server's addresses and this computer's name,
// which its certificate names too.
std::vector<std::string> serverHosts(const std::vector<std::string>& addresses, bool lab, int port) {
  std::vector<std::string> names = {"127.0.0.1", "localhost"};
  if (lab) {
    for (const std::string& address : addresses) names.push_back(urlHost(address));
    std::string host = archive::hostName();
    names.push_back(host);
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(host);
  }
  std::vector<std::string> hosts;
  for (const std::string& name : names) {
    const std::string host = name + ":" + std::to_string(port);
    if (std::find(hosts.begin(), hosts.end(), host) == hosts.end()) hosts.push_back(host);
  }
  return hosts;
}

// A check that could not be made (the archive gone or busy) refuses the
// request in general words; cpp-httplib's own answer would show the
// exception's text.
GuardResult failedCheck(const httplib::Request& request, httplib::Response& response, const std::exception& e) {
  std::fprintf(stderr, "kvd serve: %s %s: %s\n", request.method.c_str(), request.path.c_str(), e.what());
  const auto* database = dynamic_cast<const archive::DatabaseError*>(&e);
  if (database && database->kind() == archive::DatabaseError::Kind::Busy)
    sendError(response, 503, "the archive is busy: try again", "archive_busy");
  else
    sendError(response, 500, "the server could not answer", "server_failed");
  return GuardResult::Refused;
}

}  // namespace

Server::Server(ServeSettings settings, std::unique_ptr<archive::Archive> archive, std::string version) {
  context_.settings = std::move(settings);
  context_.shownLocation = cli::shownLocation(context_.settings.location);
  context_.token = randomHex(kTokenBytes);
  context_.csrf = randomHex(kTokenBytes);
  context_.version = std::move(version);
  context_.writer = std::move(archive);
  context_.readers = std::make_unique<ArchivePool>(
      [location = context_.settings.location] {
        auto reader = std::make_unique<archive::Archive>(archive::openLocation(location, false));
        if (reader->database().dialect() == archive::Dialect::Sqlite) reader->database().execute(kReaderCache);
        return reader;
      },
      kReaders);
  context_.quit = [this] {
    // After the answer has gone: stop() waits for the request in hand.
    std::thread([this] { stop(); }).detach();
  };
  context_.desk = context_.writer->actor();
  if (context_.desk.who.empty()) context_.desk.who = archive::userName() + "@" + archive::hostName();
}

Server::~Server() = default;

std::vector<std::string> Server::addresses() const {
  if (!context_.lab()) return {"http://127.0.0.1:" + std::to_string(port_)};
  std::vector<std::string> out;
  for (const std::string& address : addresses_) out.push_back("https://" + urlHost(address) + ":" + std::to_string(port_));
  return out;
}

std::string Server::address() const { return addresses().front(); }

bool Server::bind(std::string& why) {
  if (context_.lab()) {
    const ServeSettings& settings = context_.settings;
    addresses_ = reachedBy(settings.listen);
    if (!labCertificate(settings.location, addresses_, settings.tlsCertificate, settings.tlsKey, certificate_, why))
      return false;
    // HTTPS alone: a browser that speaks plain HTTP to this port gets no
    // page, only a failed handshake.
    const TlsIdentity& identity = certificate_.identity;
    auto tls = std::make_unique<httplib::SSLServer>([&identity](SSL_CTX& tlsContext) {
      return useTlsIdentity(tlsContext, identity);
    });
    if (!tls->is_valid()) {
      why = "OpenSSL does not take the certificate " + cli::platform::utf8FromPath(certificate_.certificateFile);
      return false;
    }
    http_ = std::move(tls);
  } else {
    http_ = std::make_unique<httplib::Server>();
  }
  // An answer's headers and body are separate writes: without this, the
  // second waits for the browser's delayed acknowledgement of the first.
  http_->set_tcp_nodelay(true);
  http_->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  if (!listen(why)) return false;

  GuardSettings guards;
  guards.hosts = serverHosts(addresses_, context_.lab(), port_);
  guards.token = context_.token;
  guards.csrf = context_.csrf;
  http_->set_payload_max_length(kMaxRequestBytes);
  if (context_.lab()) {
    guards.scheme = "https";
    LabGuards lab{guards, &context_.sessions, [this](const std::string& login) {
                    return context_.withArchive([&](archive::Archive& a) { return a.account(login); });
                  }};
    http_->set_pre_routing_handler([lab](const httplib::Request& request, httplib::Response& response) {
      addSecurityHeaders(response, request.path.rfind("/static/", 0) == 0);
      GuardResult result;
      try {
        result = checkLabRequest(lab, request, response, currentCaller());
      } catch (const std::exception& e) {
        result = failedCheck(request, response, e);
      }
      return result == GuardResult::Pass ? httplib::Server::HandlerResponse::Unhandled
                                         : httplib::Server::HandlerResponse::Handled;
    });
  } else {
    http_->set_pre_routing_handler([guards](const httplib::Request& request, httplib::Response& response) {
      addSecurityHeaders(response, request.path.rfind("/static/", 0) == 0);
      currentCaller() = Caller{};
      return checkRequest(guards, request, response) == GuardResult::Pass
                 ? httplib::Server::HandlerResponse::Unhandled
                 : httplib::Server::HandlerResponse::Handled;
    });
  }
  setErrorHandler();
  addRoutes();
  return true;
}

bool Server::listen(std::string& why) {
  const std::string host = context_.settings.listen.empty() ? "127.0.0.1" : context_.settings.listen;
  socket_t listening = INVALID_SOCKET;
  http_->set_socket_options([&listening](socket_t socket) {
    exclusivePort(socket);
    listening = socket;
  });
  if (context_.settings.port == 0) {
    port_ = http_->bind_to_any_port(host);
  } else {
    port_ = http_->bind_to_port(host, context_.settings.port) ? context_.settings.port : -1;
  }
  http_->set_socket_options(exclusivePort);
  if (port_ > 0) widenBacklog(listening);
  if (port_ <= 0) {
    why = "cannot listen on " + host + (context_.settings.port ? ":" + std::to_string(context_.settings.port) : "");
    return false;
  }
  return true;
}

void Server::setErrorHandler() {
  http_->set_error_handler([](const httplib::Request& request, httplib::Response& response) {
    if (!response.body.empty()) return;
    if (response.status == 413) {
      sendError(response, 413, "the upload is larger than 64 MiB: send fewer or smaller files at once", "upload_too_large");
    } else if (response.status == 404) {
      sendError(response, 404, "nothing here: " + request.path, "not_found");
    } else if (response.status == 400) {
      sendError(response, 400, "the request is malformed (a POST needs a Content-Length, 0 for no body)", "malformed");
    } else if (response.status == 414) {
      // cpp-httplib reads no further than the first line's 8 KiB, so the
      // parameter that made it this long is not known.
      sendError(response, 414, "the request's address is longer than 8192 bytes: shorten the texts it carries",
                "address_too_long");
    } else if (response.status == 405) {
      sendError(response, 405, "the method " + request.method + " is not used here", "method_not_allowed");
    } else {
      sendError(response, response.status, "the request was refused", "refused");
    }
    if (response.get_header_value("Content-Security-Policy").empty())
      addSecurityHeaders(response, false);
  });
}

void Server::addRoutes() {
  Routes routes(*http_);
  addPageRoutes(routes, context_);
  addArchiveRoutes(routes, context_);
  addRecordRoutes(routes, context_);
  addImportRoutes(routes, context_);
  addPlacingRoutes(routes, context_);
  addDeviceRoutes(routes, context_);
  addObjectRoutes(routes, context_);
  addExportRoutes(routes, context_);
  addSignInRoutes(routes, context_);
  addUserRoutes(routes, context_);
  addAuditRoutes(routes, context_);
  addLabRoutes(routes, context_);
  addProtocolRoutes(routes, context_);
}

void Server::run() {
  if (http_) http_->listen_after_bind();
}

bool Server::running() const { return http_ && http_->is_running(); }

void Server::stop() {
  if (http_) http_->stop();
}

}  // namespace zel::serve
