#include "kvd/serve/serve_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace zel::serve {

std::string randomHex(std::size_t bytes) {
  std::vector<unsigned char> buffer(bytes);
  std::size_t filled = 0;
  while (filled < bytes) {
    const ssize_t got = getrandom(buffer.data() + filled, bytes - filled, 0);
    if (got < 0) throw std::runtime_error("the system gives no random bytes");
    filled += static_cast<std::size_t>(got);
  }
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : buffer) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

bool openInBrowser(const std::string& url) {
  // xdg-open may stay until the browser quits: it is left to run, and a
  // thread reaps it so that no zombie stays behind.
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int failed = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

void onStopSignal(std::function<void()> onStop) {
  // The signals are blocked in every thread (those made later inherit the
  // mask) and taken by one thread that waits for them.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set, onStop = std::move(onStop)] {
    int signal = 0;
    sigwait(&set, &signal);
    onStop();
  }).detach();
}

bool writePrivateFile(const std::filesystem::path& file, const std::string& text) {
  const std::string temporary = file.string() + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  fchmod(fd, 0600);
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace zel::serve
