// The sample generator's description parser on any text: it builds a file or
// names the line it cannot read, and builds the same file every time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/fuzz_check.h"
#include "tools/kvdgen/kvd_description.h"

using zel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> bytes;
  zel::kvd::ParseError error;
  const bool built = zel::kvd::buildFile(text, bytes, error);
  if (!built) {
    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    require(error.line >= 1 && error.line <= lines, "an error on line " + std::to_string(error.line));
    require(!error.message.empty(), "an error without a message");
  }
  std::vector<std::uint8_t> again;
  zel::kvd::ParseError againError;
  require(zel::kvd::buildFile(text, again, againError) == built, "the description reads differently a second time");
  require(!built || again == bytes, "another file a second time");
  require(built || (againError.line == error.line && againError.message == error.message), "another error");
  return 0;
}
