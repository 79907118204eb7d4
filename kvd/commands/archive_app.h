// The command line of kvd archive: its subcommands and their options, added
// to kvd's CLI11 application, and the run of the one chosen.
#pragma once

#include <memory>
#include <string>

#include "kvd/commands/commands.h"

namespace CLI {
class App;
}

namespace zel::cli {

class ArchiveCli {
 public:
  // Adds the subcommand `archive` to `app`.
  explicit ArchiveCli(CLI::App& app);
  ~ArchiveCli();
  ArchiveCli(const ArchiveCli&) = delete;
  ArchiveCli& operator=(const ArchiveCli&) = delete;

  bool parsed() const;
  // The usage line of the archive command being parsed, for a usage error.
  std::string usage() const;
  int run(Streams& io);

 private:
  void addReport();
  void addUsers();
  void addChecks();
  void addProtocols();

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zel::cli
