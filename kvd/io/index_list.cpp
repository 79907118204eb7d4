#include "kvd/io/index_list.h"

#include <algorithm>
#include <sstream>

namespace zel::cli {

bool parseIndexList(const std::string& text, std::vector<IndexRange>& ranges) {
  if (text.empty()) return false;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    const std::size_t dash = part.find('-');
    try {
      std::size_t used = 0;
      const std::string head = part.substr(0, dash);
      if (head.empty() || head.find_first_not_of("0123456789") != std::string::npos) return false;
      const std::uint64_t first = std::stoull(head, &used);
      std::uint64_t last = first;
      if (dash != std::string::npos) {
        const std::string tail = part.substr(dash + 1);
        if (tail.empty() || tail.find_first_not_of("0123456789") != std::string::npos) return false;
        last = std::stoull(tail, &used);
        if (last < first || last - first > 100000) return false;
      }
      ranges.push_back({first, last});
    } catch (const std::exception&) {
      return false;
    }
  }
  return !ranges.empty() && text.back() != ',';
}

bool indexWanted(const std::vector<IndexRange>& ranges, std::uint64_t index) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [index](const IndexRange& r) { return index >= r.first && index <= r.last; });
}

}  // namespace zel::cli
