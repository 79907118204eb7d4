#include "kvd/io/file_name.h"

#include "kvd/io/platform.h"

namespace zel::cli {

FileName::FileName(std::string utf8) : text_(std::move(utf8)), path_(platform::pathFromUtf8(text_)) {}

FileName FileName::ofPath(std::filesystem::path path) {
  std::string text = platform::utf8FromPath(path);
  return FileName(std::move(text), std::move(path));
}

}  // namespace zel::cli
