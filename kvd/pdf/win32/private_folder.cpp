// A fresh folder for one print on Windows, in the user's temporary folder,
// whose permissions (the user's own, inherited from the profile) it takes;
// CreateDirectoryW fails on a name that is taken, so the folder is new.
#include <random>
#include <string>
#include <system_error>

#include "kvd/pdf/pdf_platform.h"
#include "kvd/win32/wide_text.h"

namespace zel::pdf::platform {

std::optional<std::filesystem::path> makePrivateFolder() {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) return std::nullopt;
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder = base / ("kvd-pdf-" + std::to_string(random() % 1000000000000u));
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace zel::pdf::platform
