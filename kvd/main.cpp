// kvd, the command-line companion of the record browser: lists, shows,
// exports and sums up the records of measurement files.
#include <cstdio>

#include "kvd/commands/commands.h"
#include "kvd/io/platform.h"

int main(int argc, char** argv) {
  zel::cli::ConsoleSink out(stdout);
  zel::cli::ConsoleSink err(stderr);
  zel::cli::Streams io{out, err};
  try {
    return zel::cli::run(zel::cli::platform::utf8Arguments(argc, argv), io);
  } catch (const std::exception& e) {
    err.write(std::string("kvd: ") + e.what() + "\n");
    return zel::cli::kExitFailed;
  }
}
