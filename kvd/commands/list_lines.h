// The lines of kvd list: the record browser's list as text, one line per
// record (date, time, mode name, value ± error in the column of its
// category), shared by kvd list and kvd archive list.
#pragma once

#include <string>

#include "common/record.h"

namespace zel::cli {

// The column heading, ending in a newline.
std::string listHeading();
// One record's line without its newline; with `pci` the converted value
// follows in brackets.
std::string listLine(const MeasurementRecord& record, bool pci);
// Pads with blanks to `column`; the line so far is ASCII, one byte a column.
void padTo(std::string& line, std::size_t column);

}  // namespace zel::cli
