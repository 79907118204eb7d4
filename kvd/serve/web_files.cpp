#include "kvd/serve/web_files.h"

namespace zel::serve {

std::optional<std::string_view> webFile(std::string_view name) {
  for (const WebFile& file : webFiles())
    if (file.name == name) return file.text;
  return std::nullopt;
}

}  // namespace zel::serve
