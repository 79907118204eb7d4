// The records that the exports are read back from: kvdgen's descriptions
// of the crafted cases.
#pragma once

#include <cstddef>

namespace zel::sheet_test {

extern const char* const kRecords[];
extern const std::size_t kRecordCount;

}  // namespace zel::sheet_test
