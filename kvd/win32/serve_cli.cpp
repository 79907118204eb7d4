// kvd serve in the Windows build: the command is known, so that its help
// and its usage read as on Linux, and it says that this build has no web
// server yet (the lab's Linux desktops serve the archive).
#include "kvd/serve_cli.h"

#include <CLI/CLI.hpp>

namespace zel::cli {

struct ServeCli::State {
  CLI::App* command = nullptr;
};

ServeCli::ServeCli(CLI::App& app) : state_(std::make_unique<State>()) {
  state_->command = app.add_subcommand("serve", "the archive in the browser (kvd on Linux)");
  state_->command->allow_extras();
}

ServeCli::~ServeCli() = default;

bool ServeCli::parsed() const { return state_->command->parsed(); }

int ServeCli::run(Streams& io) {
  io.err.write("kvd: serve: this Windows build has no web server; run kvd serve on Linux\n");
  io.err.flush();
  return kExitFailed;
}

}  // namespace zel::cli
