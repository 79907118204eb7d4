#include "browser/command_line.h"

namespace zel::browser {

namespace {

std::string_view directoryOf(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
}

}  // namespace

BrowserCommandLine parseCommandLine(std::string_view line, std::string_view moduleFileName) {
  BrowserCommandLine result;
  std::size_t pos = 0;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  std::string_view directory;
  if (pos < line.size() && line[pos] == '"') {
    const std::size_t close = line.find('"', pos + 1);
    if (close == std::string_view::npos) {
      // An unterminated quote swallows the whole line: no file argument.
      pos = line.size();
    } else {
      directory = directoryOf(line.substr(pos + 1, close - pos - 1));
      pos = close + 1;
    }
  } else {
    // Windows ends an unquoted program path at its first blank.
    const std::size_t blank = line.find(' ', pos);
    pos = blank == std::string_view::npos ? line.size() : blank;
  }
  if (directory.empty()) directory = directoryOf(moduleFileName);
  result.programDirectory = directory.empty() ? std::string(".") : std::string(directory);

  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) break;
    std::size_t end;
    if (line[pos] == '"') {
      ++pos;
      end = line.find('"', pos);
      if (end == std::string_view::npos) end = line.size();
    } else {
      end = line.find_first_of(" \"", pos);
      if (end == std::string_view::npos) end = line.size();
    }
    if (end > pos) {
      result.fileGiven = true;
      result.fileName.assign(line.substr(pos, end - pos));
      break;
    }
    // An empty pair of quotes is no argument; look on past it.
    pos = end + 1;
  }
  return result;
}

}  // namespace zel::browser
