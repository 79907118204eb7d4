// kvd serve: the archive in the browser. Opens the archive and starts the
// server. For this computer alone it finds the one already running for this
// archive, or prints the address with its one-time token, opens it in the
// desktop's browser and serves; with --listen it serves the lab over HTTPS,
// once the archive has an admin, to everyone who signs in. It serves until
// Ctrl+C, SIGTERM or POST /api/quit.
#include "kvd/serve/serve_cli.h"

#include <CLI/CLI.hpp>

#include <functional>

#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"
#include "kvd/serve/listen_address.h"
#include "kvd/serve/running_server.h"
#include "kvd/serve/serve_platform.h"
#include "kvd/serve/server.h"

#ifndef ZEL_VERSION
#error "ZEL_VERSION comes from the CMake project version"
#endif

namespace zel::cli {

namespace {

constexpr const char* kNoAdmin =
    "kvd: the archive has no active admin account: make one with  kvd archive user add LOGIN --role admin --name "
    "\"FULL NAME\"\n";

// Starts the server on a connection of its own (the command's archive is
// for the checks and the upgrade), says where through `started`, and serves
// until it is stopped.
int runServer(const serve::ServeSettings& settings, Streams& io, const std::function<void(serve::Server&)>& started) {
  serve::Server server(settings, std::make_unique<archive::Archive>(archive::openLocation(settings.location, true)),
                       ZEL_VERSION);
  std::string why;
  if (!server.bind(why)) {
    io.err.write("kvd: serve: " + why + "\n");
    return kExitFailed;
  }
  serve::onStopSignal([&server] { server.stop(); });
  started(server);
  io.out.flush();
  io.err.flush();
  server.run();
  io.out.write("kvd serve: stopped\n");
  return kExitOk;
}

void openAddress(const std::string& url, bool noOpen, Streams& io) {
  if (!noOpen && !serve::openInBrowser(url))
    io.err.write("kvd: serve: the browser could not be opened: open the address above\n");
}

// The server for this computer alone: a second start opens the first.
int servePersonal(const serve::ServeSettings& settings, const std::string& option, bool noOpen, Streams& io) {
  if (const std::optional<serve::RunningServer> running = serve::findRunningServer(settings.location)) {
    const std::string url = running->address + "/?token=" + running->token;
    io.out.write("kvd serve is already running for this archive: " + url + "\n");
    io.out.flush();
    if (!noOpen) serve::openInBrowser(url);
    return kExitOk;
  }
  return withArchive(option, true, io, [&](archive::Archive&) {
    bool remembered = false;
    const int code = runServer(settings, io, [&](serve::Server& server) {
      const std::string url = server.address() + "/?token=" + server.token();
      io.out.write("kvd serve: the archive " + shownLocation(settings.location) + " at\n  " + url + "\n");
      io.out.write("Stop with Ctrl+C.\n");
      io.out.flush();
      remembered = serve::rememberRunningServer(settings.location, {server.address(), server.token()});
      openAddress(url, noOpen, io);
    });
    if (remembered) serve::forgetRunningServer(settings.location);
    return code;
  });
}

// The lab server: HTTPS, and only for those who sign in, so an admin must
// be there to make the accounts.
int serveLab(const serve::ServeSettings& settings, const std::string& option, bool noOpen, Streams& io) {
  return withArchive(option, true, io, [&](archive::Archive& archive) {
    if (!archive.hasActiveAdmin()) {
      io.err.write(kNoAdmin);
      return kExitFailed;
    }
    return runServer(settings, io, [&](serve::Server& server) {
      const serve::LabCertificate& certificate = server.certificate();
      const std::string url = server.address() + "/";
      io.out.write("kvd serve: the archive " + shownLocation(settings.location) + " for the lab at\n");
      for (const std::string& address : server.addresses()) io.out.write("  " + address + "/\n");
      if (certificate.made)
        io.out.write("kvd serve: a new self-signed certificate: " +
                     platform::utf8FromPath(certificate.certificateFile) + "\n");
      io.out.write("kvd serve: the certificate's SHA-256 fingerprint, which the browser shows (compare it before "
                   "you trust the certificate):\n  " +
                   certificate.fingerprint + "\n");
      io.out.write("kvd serve: everyone signs in with an account of the archive (kvd archive user add)\n");
      io.out.write("Stop with Ctrl+C.\n");
      io.out.flush();
      openAddress(url, noOpen, io);
    });
  });
}

}  // namespace

struct ServeCli::State {
  CLI::App* command = nullptr;
  std::string archive;
  int port = 0;
  bool noOpen = false;
  std::string language;
  std::string listen;
  std::string tlsCertificate;
  std::string tlsKey;
};

ServeCli::ServeCli(CLI::App& app) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.command = app.add_subcommand("serve", "the archive in the browser: records, objects, imports, spectra, protocols");
  s.command->add_option("--archive", s.archive,
                        "the archive: an SQLite file, or postgresql://user@host/db (default: KVD_ARCHIVE, else "
                        "the user's own)")
      ->type_name("PATH|URI");
  s.command->add_option("--port", s.port, "the port (default: a free one)")->check(CLI::Range(1, 65535));
  s.command->add_flag("--no-open", s.noOpen, "print the address only, do not open the browser");
  s.command->add_option("--lang", s.language, "the pages' language: en or ru (default: the browser's)")
      ->check(CLI::IsMember({"en", "ru"}));
  s.command->add_option("--listen", s.listen,
                        "serve the lab on this address of this computer over HTTPS, to everyone who signs in with "
                        "an account of the archive")
      ->type_name("ADDRESS[:PORT]");
  s.command->add_option("--tls-cert", s.tlsCertificate,
                        "the lab server's certificate, PEM (default: a self-signed one kept beside the archive)")
      ->type_name("FILE");
  s.command->add_option("--tls-key", s.tlsKey, "the private key of --tls-cert, PEM, not encrypted")
      ->type_name("FILE");
}

ServeCli::~ServeCli() = default;

bool ServeCli::parsed() const { return state_->command->parsed(); }

int ServeCli::run(Streams& io) {
  const State& s = *state_;
  serve::ServeSettings settings{archive::archiveLocation(s.archive), s.language, "", s.port, s.tlsCertificate,
                                s.tlsKey};
  if (s.tlsCertificate.empty() != s.tlsKey.empty())
    return usageError(io, "serve: give --tls-cert and --tls-key together", kServeUsage);
  if (s.listen.empty()) {
    if (!s.tlsCertificate.empty())
      return usageError(io, "serve: --tls-cert and --tls-key are for the lab server (--listen)", kServeUsage);
    return servePersonal(settings, s.archive, s.noOpen, io);
  }
  serve::ListenAddress address;
  std::string why;
  if (!serve::parseListenAddress(s.listen, address, why)) return usageError(io, "serve: " + why, kServeUsage);
  if (address.port != 0 && s.port != 0 && address.port != s.port)
    return usageError(io, "serve: --listen and --port name two ports: give one", kServeUsage);
  settings.listen = address.host;
  if (address.port != 0) settings.port = address.port;
  return serveLab(settings, s.archive, s.noOpen, io);
}

}  // namespace zel::cli
