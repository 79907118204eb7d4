// A fresh folder for one print on Linux: mkdtemp makes it with a new name
// and mode 0700.
#include <stdlib.h>

#include <string>
#include <system_error>

#include "kvd/pdf/pdf_platform.h"

namespace zel::pdf::platform {

std::optional<std::filesystem::path> makePrivateFolder() {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) return std::nullopt;
  std::string pattern = (base / "kvd-pdf-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return std::filesystem::path(pattern);
}

}  // namespace zel::pdf::platform
