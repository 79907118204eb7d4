// The two spreadsheet programs' own files, read for their cells with the
// cells' types: LibreOffice's flat ODS XML and Gnumeric's uncompressed XML.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zel::sheet_test {

struct OdsCell {
  std::string type;   // "float", "date", "string", "" for empty
  std::string value;  // office:value or office:date-value
  std::string text;   // the text of a string cell
};

// A date value of flat ODS: "2019-07-06" stands for midnight.
std::string fullDateTime(const std::string& value);
// The first sheet's rows, repeated cells expanded.
std::vector<std::vector<OdsCell>> readFods(const std::string& xml);

struct GnumericCell {
  int type = 0;  // 40 a number, 60 a string
  std::string text;
};

// Cells by row and column, from an uncompressed .gnumeric file.
std::map<std::pair<int, int>, GnumericCell> readGnumeric(const std::string& xml);

}  // namespace zel::sheet_test
