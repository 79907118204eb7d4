// What printing to PDF needs of the platform (kvd/pdf/linux, kvd/pdf/win32):
// where Chromium-family browsers are installed, the arguments a browser needs
// there, a program run with a bounded wait, and a folder of its own.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zel::pdf::platform {

// The first Chromium-family browser installed where this platform puts one,
// Chromium first; empty when there is none.
std::optional<std::filesystem::path> installedBrowser();

// The arguments this platform's browser needs besides the common ones.
std::vector<std::string> browserArguments();

enum class RunEnd { Exited, NotStarted, TimedOut };

struct RunResult {
  RunEnd end = RunEnd::NotStarted;
  int exitCode = -1;
};

// Runs `program` with `arguments` (UTF-8), each passed as it is, without a
// shell and without a window, its standard streams on the null device. Waits
// until it ends or `limit` has passed; then every process it started that is
// still running is killed, so nothing of it outlives the call.
RunResult runBounded(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds limit);

// Makes a new folder under the system's temporary folder with a name that no
// other has, which only this user may enter; empty when none can be made.
std::optional<std::filesystem::path> makePrivateFolder();

}  // namespace zel::pdf::platform
