// The companion's commands run as its main runs them, on files in a folder
// of the fuzzer's own, with their text caught in strings.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "kvd/commands/commands.h"
#include "support/fuzz_check.h"

namespace zel::fuzz {

struct KvdRun {
  int code = -1;
  std::string out;
  std::string err;
  bool operator==(const KvdRun&) const = default;
};

inline KvdRun runKvd(const std::vector<std::string>& arguments) {
  cli::StringSink out, err;
  cli::Streams io{out, err};
  KvdRun run;
  run.code = cli::run(arguments, io);
  run.out = out.text();
  run.err = err.text();
  return run;
}

// A fresh folder under the system's temporary folder, removed when the
// fuzzer exits.
inline const std::filesystem::path& workFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelfuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fail("no temporary folder");
    static std::filesystem::path made = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return made;
  }();
  return folder;
}

inline void writeBytes(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  require(static_cast<bool>(out), "cannot write " + path.string());
}

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Everything in the folder but the names kept.
inline void clearFolder(const std::filesystem::path& folder, const std::vector<std::string>& keep = {}) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    bool kept = false;
    for (const std::string& k : keep) kept = kept || k == name;
    if (!kept) std::filesystem::remove_all(entry.path());
  }
}

inline bool startsWith(std::string_view s, std::string_view start) { return s.substr(0, start.size()) == start; }

}  // namespace zel::fuzz
