// Reads the CSV that the spreadsheet programs write back: RFC 4180 quoting,
// any separator, CR LF or LF line ends. A row per line, a string per cell.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::vector<std::string>> parseCsv(const std::string& text, char separator = ',') {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      rows.back().push_back(cell);
      cell.clear();
    } else if (c == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      cell += c;
    }
  }
  if (!cell.empty() || !rows.back().empty()) rows.back().push_back(cell);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}
