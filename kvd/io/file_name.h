// A file name as kvd's commands take it: the user's UTF-8 text, which every
// message, file cell and archive entry shows, and the path the system opens
// it by. The path is made once, where the name enters kvd (from the wide
// command line on Windows), and travels with the text, so no later step of
// an export or a report converts the name again.
#pragma once

#include <filesystem>
#include <string>

namespace zel::cli {

class FileName {
 public:
  FileName() = default;
  // A name as the user gave it (UTF-8).
  explicit FileName(std::string utf8);
  // A name the system gave, as a path: a folder's file, a wildcard's match.
  static FileName ofPath(std::filesystem::path path);
  // Both forms already made: `text` is what the user sees of `path`.
  FileName(std::string text, std::filesystem::path path) : text_(std::move(text)), path_(std::move(path)) {}

  const std::string& text() const { return text_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::string text_;
  std::filesystem::path path_;
};

}  // namespace zel::cli
