// The list as a spreadsheet file in Data Interchange Format: a fixed header
// with the file name, then one row per record (date, time, mode, value,
// error) in file order, marked or not. Lines end in CR LF; the text is
// Windows-1251, as the file name is. A quote in the name is doubled, a line
// end (neither comes from a Windows name) is written as '?'.
//
// The shell creates the file beside the measurement file (exportFileName)
// anew, so a longer old export loses its tail (CREATE_ALWAYS), passes each
// chunk to WriteFile, and closes it. When the file cannot be created or a
// write fails, it shows exportFailedMessage and does not open the file;
// otherwise it opens it with ShellExecuteA(NULL, NULL, name, NULL, NULL,
// SW_HIDE), and the desktop's spreadsheet program shows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "browser/summary_list.h"

namespace zel::browser {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False when the bytes could not all be written; the export then stops.
  virtual bool write(const char* data, std::size_t size) = 0;
};

// Writes the whole export in chunks of at most kDifChunk bytes. Returns false
// as soon as the sink refuses a chunk.
inline constexpr std::size_t kDifChunk = 32768;
bool writeDifExport(const SummaryList& list, std::string_view loadedName, ByteSink& sink);

// The same bytes in one string (for tools and tests; the program writes the
// export through writeDifExport, which needs no buffer of the file's size).
std::string buildDifExport(const SummaryList& list, std::string_view loadedName);

// Whether a cell's text reads as a number once its blanks are set aside: an
// optional minus, digits, at most one point, at least one digit. Other cells
// (dates, times, "  < 0.5 ", blank cells, "-.---") are written as strings,
// which spreadsheet programs read as they are.
bool isPlainNumber(std::string_view text);

}  // namespace zel::browser
