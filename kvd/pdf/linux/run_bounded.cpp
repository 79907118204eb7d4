// A program run with a bounded wait on Linux. It starts in a process group
// of its own, so that on a timeout the whole group (the browser with its
// helper processes) is killed at once, and a helper left over after a normal
// end goes with it. The group is killed while its leader is still unreaped,
// so that its number cannot yet belong to another group.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "kvd/pdf/pdf_platform.h"

extern char** environ;

namespace zel::pdf::platform {

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string name = program.string();
  argv.push_back(name.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  // Its own group, no signal blocked, and the stop signals at their default
  // (a caller may have blocked them to take them in a thread of its own).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&defaults, s);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

// Whether `pid` has ended, leaving it unreaped.
bool hasEnded(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Waits until `pid` ends or `deadline` passes; whether it ended. A pidfd
// wakes the wait as the process ends; on a kernel without pidfds the state
// is looked at every few milliseconds. (The system call itself: glibc 2.36
// declares its wrapper without C linkage for C++.)
bool waitUntil(pid_t pid, Clock::time_point deadline) {
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  bool ended = hasEnded(pid);
  while (!ended && Clock::now() < deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (pidfd >= 0) {
      pollfd entry{pidfd, POLLIN, 0};
      ::poll(&entry, 1, static_cast<int>(std::min<long long>(left, 60000)));
    } else {
      const timespec pause{0, 5'000'000};
      ::nanosleep(&pause, nullptr);
    }
    ended = hasEnded(pid);
  }
  if (pidfd >= 0) ::close(pidfd);
  return ended;
}

int reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RunResult runBounded(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds limit) {
  const pid_t pid = spawn(program, arguments);
  if (pid < 0) return {};
  const bool ended = waitUntil(pid, Clock::now() + limit);
  ::kill(-pid, SIGKILL);
  const int code = reap(pid);
  return ended ? RunResult{RunEnd::Exited, code} : RunResult{RunEnd::TimedOut, -1};
}

}  // namespace zel::pdf::platform
