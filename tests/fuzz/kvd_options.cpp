// kvd's whole command line from any argument vector (the arguments split at
// NUL bytes), run in a folder of measurement files of the fuzzer's own. No
// argument reaches outside that folder: path separators become '_'. The exit
// code says what happened, a usage error comes with its usage line, the
// input files stay as they were, no partial output is left behind, and the
// same arguments give the same result twice.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/record.h"
#include "support/fuzz_check.h"
#include "support/kvd_run.h"
#include "tools/kvdgen/kvd_description.h"

namespace {

using zel::fuzz::fail;
using zel::fuzz::require;

// The folder's measurement files and one that is none.
const std::map<std::string, std::string>& fixtures() {
  static const std::map<std::string, std::string> files = [] {
    std::vector<std::uint8_t> demo;
    zel::kvd::ParseError error;
    if (!zel::kvd::buildFile(zel::kvd::demoDescription(), demo, error)) fail("the demo file");
    const std::string all(demo.begin(), demo.end());
    return std::map<std::string, std::string>{{"a.kvd", all},
                                              {"b.kvd", all.substr(0, 3 * zel::kRecordSize + 100)},
                                              {"short.kvd", all.substr(0, 100)},
                                              {"c,1.kvd", all.substr(zel::kRecordSize, zel::kRecordSize)},
                                              {"note.txt", "not a measurement file\n"}};
  }();
  return files;
}

std::vector<std::string> fixtureNames() {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : fixtures()) names.push_back(name);
  return names;
}

void setUpFolder() {
  const std::filesystem::path& folder = zel::fuzz::workFolder();
  zel::fuzz::clearFolder(folder, fixtureNames());
  for (const auto& [name, bytes] : fixtures())
    if (zel::fuzz::readBytes(folder / name) != bytes)
      zel::fuzz::writeBytes(folder / name, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Runs in the folder and comes back to where the fuzzer works.
zel::fuzz::KvdRun runInFolder(const std::vector<std::string>& arguments) {
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(zel::fuzz::workFolder());
  zel::fuzz::KvdRun run = zel::fuzz::runKvd(arguments);
  std::filesystem::current_path(home);
  return run;
}

void checkRun(const zel::fuzz::KvdRun& run) {
  switch (run.code) {
    case zel::cli::kExitOk:
      break;
    case zel::cli::kExitFailed:
      require(zel::fuzz::startsWith(run.err, "kvd: "), "a failure not said: " + run.err);
      break;
    case zel::cli::kExitUsage:
      require(zel::fuzz::startsWith(run.err, "kvd: ") && run.err.find("\nusage: kvd") != std::string::npos,
              "a usage error without its usage line: " + run.err);
      break;
    default:
      fail("exit code " + std::to_string(run.code));
  }
  const std::filesystem::path& folder = zel::fuzz::workFolder();
  for (const auto& [name, bytes] : fixtures())
    require(zel::fuzz::readBytes(folder / name) == bytes, "the input " + name + " was changed");
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    require(entry.path().filename().string().find(".kvd-part-") == std::string::npos,
            "a partial output was left: " + entry.path().filename().string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0') {
      if (arguments.size() == 64) break;
      arguments.emplace_back();
    } else {
      arguments.back() += c == '/' || c == '\\' ? '_' : c;
    }
  }
  // kvd archive keeps what it is given in a database outside the folder
  // (the user's own archive by default), so a second run rightly differs.
  if (std::find(arguments.begin(), arguments.end(), "archive") != arguments.end()) return 0;

  setUpFolder();
  const zel::fuzz::KvdRun first = runInFolder(arguments);
  checkRun(first);
  setUpFolder();
  const zel::fuzz::KvdRun second = runInFolder(arguments);
  if (!(second == first))
    fail("a second run differs: exit " + std::to_string(first.code) + " then " + std::to_string(second.code) +
         "\n" + first.err + "--\n" + second.err);
  return 0;
}
