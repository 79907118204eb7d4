// What the tests of the kvd program share: files read and written whole,
// measurement files from kvdgen's descriptions, and a program run with its
// exit code and both streams, no shell in between.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tools/kvdgen/kvd_description.h"

namespace zel::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string kvdBytes(std::string_view description) {
  std::vector<std::uint8_t> bytes;
  zel::kvd::ParseError error;
  EXPECT_TRUE(zel::kvd::buildFile(description, bytes, error)) << error.message;
  return {bytes.begin(), bytes.end()};
}

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Runs argv[0] with the rest as its arguments; the streams go through
// files in `folder`, removed afterwards. With `input` standard input is
// those bytes (else the test's own).
inline Result runProgram(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                         const std::optional<std::string>& input = std::nullopt) {
  const std::filesystem::path out = folder / ".stdout", err = folder / ".stderr", in = folder / ".stdin";
  if (input) writeFile(in, *input);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (input) std::freopen(in.c_str(), "rb", stdin);
    std::freopen(out.c_str(), "wb", stdout);
    std::freopen(err.c_str(), "wb", stderr);
    std::vector<const char*> args;
    for (const std::string& a : argv) args.push_back(a.c_str());
    args.push_back(nullptr);
    ::execv(args[0], const_cast<char* const*>(args.data()));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Result r{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readFile(out), readFile(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  if (input) std::filesystem::remove(in);
  return r;
}

}  // namespace zel::test
