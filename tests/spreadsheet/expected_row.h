// The table that kvd's exports promise, read here from a record's bytes by
// the rules they promise, not by kvd's own code: a row of expected cells
// per record, which the spreadsheet programs' readings are compared with.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/record.h"

namespace zel::sheet_test {

struct Expected {
  enum Kind { Empty, Text, Number, Date } kind = Empty;
  std::string text;  // Text; Date: the ISO text
  double number = 0;
  bool derived = false;   // a unit conversion: compared to 12 significant digits
  bool isFloat = false;   // a stored float: must also read back as that float
  float storedFloat = 0;
};

// The expected cells of record `index` of `file`, with the pCi/l columns
// when `pci`.
std::vector<Expected> expectedRow(const std::string& file, std::size_t index, const MeasurementRecord& r, bool pci);

}  // namespace zel::sheet_test
