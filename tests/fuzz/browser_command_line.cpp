// The browser's command line and module file name, whatever started it: the
// input is the command line, a NUL, then the module file name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "browser/browser.h"
#include "support/fuzz_check.h"

using zel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view line = input.substr(0, nul);
  const std::string_view module = nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);

  const zel::browser::BrowserCommandLine parsed = zel::browser::parseCommandLine(line, module);
  require(!parsed.programDirectory.empty(), "no program directory");
  require(parsed.programDirectory == "." || line.find(parsed.programDirectory) != std::string_view::npos ||
              module.find(parsed.programDirectory) != std::string_view::npos,
          "a program directory from neither the command line nor the module name");
  if (parsed.fileGiven) {
    require(!parsed.fileName.empty(), "an empty file argument");
    require(parsed.fileName.find('"') == std::string::npos, "a quote in the file argument");
    require(line.find(parsed.fileName) != std::string_view::npos, "a file argument that is not on the command line");
  } else {
    require(parsed.fileName.empty(), "a file name without a file argument");
  }
  const zel::browser::BrowserCommandLine again = zel::browser::parseCommandLine(line, module);
  require(again.programDirectory == parsed.programDirectory && again.fileGiven == parsed.fileGiven &&
              again.fileName == parsed.fileName,
          "the command line reads differently a second time");

  // The browser hands the named file out once, at its first paint.
  zel::browser::Browser browser(parsed, 507, 340);
  const std::optional<std::string> given = browser.takeGivenFile();
  require(given.has_value() == parsed.fileGiven && (!given || *given == parsed.fileName), "the given file");
  require(!browser.takeGivenFile(), "the given file handed out twice");
  require(browser.programDirectory() == parsed.programDirectory, "the browser's program directory");
  return 0;
}
