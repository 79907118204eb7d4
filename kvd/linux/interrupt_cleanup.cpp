// The half-written output removed on an interrupt or a termination signal,
// on Linux.
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "kvd/io/platform.h"

namespace zel::cli::platform {

namespace {

char gTemporary[8192];
volatile std::sig_atomic_t gArmed = 0;

// Only async-signal-safe calls: unlink the file, then die of the signal as
// the default action would.
extern "C" void removeTemporary(int signal) {
  if (gArmed != 0) ::unlink(gTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void setInterruptCleanup(const std::filesystem::path& temporary) {
  static const bool installed = [] {
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(s, removeTemporary);
    return true;
  }();
  (void)installed;
  gArmed = 0;
  const std::string& name = temporary.native();
  if (name.size() >= sizeof gTemporary) return;
  std::memcpy(gTemporary, name.c_str(), name.size() + 1);
  gArmed = 1;
}

void clearInterruptCleanup() { gArmed = 0; }

}  // namespace zel::cli::platform
