// A measurement plan as a lab keeps it in a spreadsheet and saves as CSV:
// which device stood at which point of which object, and when.
//
// The columns are found by their header names, in any order, in any letter
// case, blanks around them ignored: object, address, floor, room, point,
// device, from, to (address, floor and point may be left out). The
// separator is a comma or a semicolon (Excel's under a Russian locale),
// whichever the header line uses; fields are quoted as RFC 4180 says; the
// text is UTF-8, with or without a byte order mark, lines end in CR LF or
// LF. `from` and `to` take kvd's date forms; a date alone is the start of
// that day for `from` and its last second for `to`. Empty lines are
// skipped.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kvd/archive/archive.h"

namespace zel::archive {

// A plan that cannot be taken, said as "plan.csv:7: device 'x' is not a
// number" (the line where the row starts).
class PlanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every row checked; the first fault throws PlanError naming `fileName`.
std::vector<PlanRow> parsePlanCsv(std::string_view text, const std::string& fileName);

}  // namespace zel::archive
