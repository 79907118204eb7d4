// The command line of kvd serve: its options, added to kvd's CLI11
// application, and the run of the server when it is chosen.
#pragma once

#include <memory>
#include <string>

#include "kvd/commands/commands.h"

namespace CLI {
class App;
}

namespace zel::cli {

inline constexpr const char* kServeUsage =
    "usage: kvd serve [--archive PATH|URI] [--port N] [--no-open] [--lang en|ru] [--listen ADDRESS[:PORT] "
    "[--tls-cert FILE --tls-key FILE]]";

class ServeCli {
 public:
  explicit ServeCli(CLI::App& app);
  ~ServeCli();
  ServeCli(const ServeCli&) = delete;
  ServeCli& operator=(const ServeCli&) = delete;

  bool parsed() const;
  int run(Streams& io);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zel::cli
