// Reads a DIF file back as a spreadsheet program would: the header with its
// vector and tuple counts, then rows (BOT) of string cells (1,0 and the
// quoted text) and number cells (0,value and V), then EOD. Any line out of
// place makes the read fail with the line's number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browser/dif_export.h"

namespace zel::fuzz {

struct DifCell {
  bool number = false;
  std::string text;  // a number cell's value as written, blanks included
};

struct DifTable {
  std::uint64_t vectors = 0;
  std::uint64_t tuples = 0;
  std::vector<std::vector<DifCell>> rows;
};

inline std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The whole-number value of a number cell; false if it is none or too long.
inline bool wholeNumber(std::string_view s, std::uint64_t& out) {
  s = trimBlanks(s);
  if (s.empty() || s.size() > 19) return false;
  out = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

class DifReader {
 public:
  explicit DifReader(std::string_view bytes) : rest_(bytes) {}

  bool read(DifTable& table) {
    if (!expect("TABLE") || !expect("0,1") || !expect("\"EXCEL\"")) return false;
    if (!expect("VECTORS") || !count(table.vectors) || !expect("\"\"")) return false;
    if (!expect("TUPLES") || !count(table.tuples) || !expect("\"\"")) return false;
    if (!expect("DATA") || !expect("0,0") || !expect("\"\"") || !expect("-1,0")) return false;
    while (true) {
      std::string_view line;
      if (!next(line)) return false;
      if (line == "EOD") return rest_.empty() || failAt("bytes after EOD");
      if (line != "BOT") return failAt("expected BOT or EOD");
      std::vector<DifCell>& row = table.rows.emplace_back();
      while (true) {
        if (!next(line)) return false;
        if (line == "-1,0") break;
        DifCell cell;
        if (line == "1,0") {
          if (!next(line)) return false;
          if (line.size() < 2 || line.front() != '"' || line.back() != '"') return failAt("a string not in quotes");
          // A quote inside a string is doubled.
          const std::string_view inner = line.substr(1, line.size() - 2);
          for (std::size_t i = 0; i < inner.size(); ++i) {
            if (inner[i] == '"' && (i + 1 == inner.size() || inner[++i] != '"'))
              return failAt("a single quote inside a string");
            cell.text += inner[i];
          }
        } else if (line.substr(0, 2) == "0,") {
          cell.number = true;
          cell.text.assign(line.substr(2));
          if (!browser::isPlainNumber(cell.text)) return failAt("a number cell that is no number");
          if (!expect("V")) return false;
        } else {
          return failAt("expected a cell or -1,0");
        }
        row.push_back(std::move(cell));
      }
    }
  }

  const std::string& error() const { return error_; }

 private:
  bool next(std::string_view& line) {
    const std::size_t end = rest_.find("\r\n");
    if (end == std::string_view::npos) return failAt("a line without CR LF");
    ++lineNumber_;
    line = rest_.substr(0, end);
    rest_.remove_prefix(end + 2);
    if (line.find_first_of("\r\n") != std::string_view::npos) return failAt("a lone CR or LF");
    return true;
  }
  bool expect(std::string_view wanted) {
    std::string_view line;
    if (!next(line)) return false;
    return line == wanted || failAt("expected " + std::string(wanted));
  }
  bool count(std::uint64_t& out) {
    std::string_view line;
    if (!next(line)) return false;
    if (line.substr(0, 2) != "0," || !wholeNumber(line.substr(2), out)) return failAt("expected 0,count");
    return true;
  }
  bool failAt(const std::string& what) {
    error_ = "line " + std::to_string(lineNumber_) + ": " + what;
    return false;
  }

  std::string_view rest_;
  int lineNumber_ = 0;
  std::string error_;
};

}  // namespace zel::fuzz
