// Where Chromium-family browsers are on Linux: on the PATH under the names
// that the distributions and the vendors' packages give them.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "kvd/pdf/pdf_platform.h"

namespace zel::pdf::platform {

namespace {

namespace fs = std::filesystem;

bool isProgram(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<fs::path> installedBrowser() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  const std::string_view folders = path;
  for (const char* name : {"chromium", "chromium-browser", "google-chrome", "google-chrome-stable", "microsoft-edge"}) {
    std::size_t start = 0;
    while (start <= folders.size()) {
      const std::size_t end = std::min(folders.find(':', start), folders.size());
      // An empty entry would mean the working folder, which is no place to
      // take a program from.
      if (end > start) {
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (isProgram(candidate)) return candidate;
      }
      start = end + 1;
    }
  }
  return std::nullopt;
}

// Chromium refuses to start as root unless its sandbox is switched off.
std::vector<std::string> browserArguments() {
  if (::geteuid() == 0) return {"--no-sandbox"};
  return {};
}

}  // namespace zel::pdf::platform
