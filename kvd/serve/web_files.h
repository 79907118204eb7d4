// The pages' files (kvd/web/serve_*: templates, texts, CSS, JavaScript),
// compiled into kvd by the build (cmake/serve.cmake), so that kvd serve
// needs no folder of its own and opens offline.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace zel::serve {

struct WebFile {
  std::string_view name;  // "serve_app.js"
  std::string_view text;
};

std::span<const WebFile> webFiles();
std::optional<std::string_view> webFile(std::string_view name);

}  // namespace zel::serve
