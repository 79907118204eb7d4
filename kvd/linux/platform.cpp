// kvd's platform functions on Linux, where names and texts are UTF-8 bytes
// already and the shell expands wildcards.
#include "kvd/io/platform.h"

namespace zel::cli::platform {

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  std::vector<std::string> out;
  for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
  return out;
}

std::filesystem::path pathFromUtf8(const std::string& name) { return std::filesystem::path(name); }

std::string utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::vector<FileName> expandWildcards(const std::string& argument) { return {FileName(argument)}; }

void writeText(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

CsvStyle defaultCsvStyle() { return {',', '.', false, false}; }

std::string_view defaultCsvStyleHelp() { return "rfc4180"; }

std::string difFileName(const FileName& name) { return name.text(); }

std::FILE* createFile(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wb"); }

std::string pathForNarrowCalls(const std::filesystem::path& path) { return path.native(); }

}  // namespace zel::cli::platform
