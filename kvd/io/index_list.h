// Record indexes as a user writes them: "0,3,10-12", kept as ranges so that
// an index near 2^64 or many long ranges cost no memory and no time. A range
// spans at most 100,001 indexes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::cli {

struct IndexRange {
  std::uint64_t first;
  std::uint64_t last;
};

// False when the text is empty or not of that form (also "5-3").
bool parseIndexList(const std::string& text, std::vector<IndexRange>& ranges);
bool indexWanted(const std::vector<IndexRange>& ranges, std::uint64_t index);

}  // namespace zel::cli
