// Files and folders for kvd's tests: measurement files from kvdgen
// descriptions in a fresh folder of their own, checksums of inputs, and the
// program run in-process with its text streams captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "kvd/commands/commands.h"
#include "kvd/io/text_sink.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::cli::test {

namespace fs = std::filesystem;

inline std::vector<std::uint8_t> kvdBytes(std::string_view description) {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(description, bytes, error)) << "line " << error.line << ": " << error.message;
  return bytes;
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// FNV-1a over the file's bytes, and its size: enough to see any change.
inline std::string checksum(const fs::path& path) {
  const std::string bytes = readFile(path);
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

// A folder of its own, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("kvd_test_" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // The names in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  fs::path path_;
};

struct RunResult {
  int code;
  std::string out;
  std::string err;
};

inline RunResult runKvd(std::vector<std::string> arguments) {
  StringSink out, err;
  Streams io{out, err};
  const int code = run(arguments, io);
  return {code, out.text(), err.text()};
}

}  // namespace zel::cli::test
