// kvd serve: the archive in the browser. Opens the archive, starts the
// server (or finds the one already running for this archive), prints the
// address with its one-time token, opens it in the desktop's browser and
// serves until Ctrl+C, SIGTERM or POST /api/quit.
#include "kvd/serve/serve_cli.h"

#include <CLI/CLI.hpp>

#include "kvd/commands/archive_commands.h"
#include "kvd/serve/running_server.h"
#include "kvd/serve/serve_platform.h"
#include "kvd/serve/server.h"

#ifndef ZEL_VERSION
#error "ZEL_VERSION comes from the CMake project version"
#endif

namespace zel::cli {

struct ServeCli::State {
  CLI::App* command = nullptr;
  std::string archive;
  int port = 0;
  bool noOpen = false;
  std::string language;
  std::string listen;
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
                        "serve the lab's network on this address of this computer (anyone with the address and "
                        "the token can use the archive)")
      ->type_name("ADDRESS");
}

ServeCli::~ServeCli() = default;

bool ServeCli::parsed() const { return state_->command->parsed(); }

int ServeCli::run(Streams& io) {
  const State& s = *state_;
  const std::string location = archive::archiveLocation(s.archive);
  if (const std::optional<serve::RunningServer> running = serve::findRunningServer(location)) {
    const std::string url = running->address + "/?token=" + running->token;
    io.out.write("kvd serve is already running for this archive: " + url + "\n");
    io.out.flush();
    if (!s.noOpen) serve::openInBrowser(url);
    return kExitOk;
  }
  serve::ServeSettings settings{location, s.language, s.listen, s.port};
  return withArchive(s.archive, true, io, [&](archive::Archive&) {
    // The command's archive is for the checks and the upgrade; the server
    // keeps a connection of its own for as long as it runs.
    serve::Server server(settings, std::make_unique<archive::Archive>(archive::openLocation(location, true)),
                         ZEL_VERSION);
    std::string why;
    if (!server.bind(why)) {
      io.err.write("kvd: serve: " + why + "\n");
      return kExitFailed;
    }
    serve::onStopSignal([&server] { server.stop(); });
    const std::string url = server.address() + "/?token=" + server.token();
    io.out.write("kvd serve: the archive " + shownLocation(location) + " at\n  " + url + "\n");
    if (!s.listen.empty())
      io.out.write("kvd serve: listening on " + s.listen +
                   ": anyone who has this address and the token can read and change the archive\n");
    io.out.write("Stop with Ctrl+C.\n");
    io.out.flush();
    serve::rememberRunningServer(location, {server.address(), server.token()});
    if (!s.noOpen && !serve::openInBrowser(url))
      io.err.write("kvd: serve: the browser could not be opened: open the address above\n");
    io.err.flush();
    server.run();
    serve::forgetRunningServer(location);
    io.out.write("kvd serve: stopped\n");
    return kExitOk;
  });
}

}  // namespace zel::cli
