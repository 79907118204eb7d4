// Whether a stream is a terminal, and a line read from it unseen, on Linux.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

#include "kvd/io/platform.h"

namespace zel::cli::platform {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct termios gTyping;
volatile std::sig_atomic_t gEchoOff = 0;

// Only async-signal-safe calls: the terminal as it was, then the signal's
// previous action (which may remove a half-written output) or its default.
struct sigaction gPrevious[std::size(kEndingSignals)];

extern "C" void restoreEcho(int signal) {
  if (gEchoOff != 0) ::tcsetattr(STDIN_FILENO, TCSANOW, &gTyping);
  for (std::size_t k = 0; k < std::size(kEndingSignals); ++k)
    if (kEndingSignals[k] == signal) ::sigaction(signal, &gPrevious[k], nullptr);
  std::raise(signal);
}

}  // namespace

bool readHiddenLine(std::string_view prompt, std::string& line) {
  line.clear();
  const bool terminal = ::tcgetattr(STDIN_FILENO, &gTyping) == 0;
  if (terminal) {
    struct sigaction restore {};
    restore.sa_handler = restoreEcho;
    sigemptyset(&restore.sa_mask);
    // A signal ignored before stays ignored.
    for (std::size_t k = 0; k < std::size(kEndingSignals); ++k)
      if (::sigaction(kEndingSignals[k], nullptr, &gPrevious[k]) == 0 && gPrevious[k].sa_handler != SIG_IGN)
        ::sigaction(kEndingSignals[k], &restore, nullptr);
    struct termios quiet = gTyping;
    // No echo of what is typed, but of the Enter that ends it. TCSAFLUSH
    // drops what was typed before the prompt asked for it.
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    gEchoOff = 1;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::fflush(stderr);
  writeText(stderr, prompt);
  std::fflush(stderr);
  bool ended = false;
  for (;;) {
    char c = 0;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ended = true;
      break;
    }
    if (c == '\n') break;
    line += c;
  }
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &gTyping);
    gEchoOff = 0;
    for (std::size_t k = 0; k < std::size(kEndingSignals); ++k) ::sigaction(kEndingSignals[k], &gPrevious[k], nullptr);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // A line cut short by the end of the input is no password typed whole.
  return !ended;
}

}  // namespace zel::cli::platform
