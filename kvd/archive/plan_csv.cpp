#include "kvd/archive/plan_csv.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "kvd/export/writers.h"
#include "kvd/stats/stats.h"

namespace zel::archive {

namespace {

struct CsvRecord {
  std::size_t line = 0;  // where it starts, 1-based
  std::vector<std::string> fields;
};

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The separator the header line uses: the more frequent of ';' and ','
// outside quotes (a comma when it has neither).
char separatorOf(std::string_view text) {
  std::size_t commas = 0, semicolons = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') break;
    if (c == ',') ++commas;
    if (c == ';') ++semicolons;
  }
  return semicolons > commas ? ';' : ',';
}

// RFC 4180 records: a quoted field may hold the separator, doubled quotes
// and line breaks.
std::vector<CsvRecord> splitRecords(std::string_view text, char separator, const std::string& fileName) {
  std::vector<CsvRecord> out;
  std::size_t line = 1, i = 0;
  while (i < text.size()) {
    CsvRecord record;
    record.line = line;
    std::string field;
    bool fieldQuoted = false;
    for (;;) {
      if (i >= text.size() || text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
        record.fields.push_back(fieldQuoted ? field : trimmed(field));
        if (i < text.size()) i += text[i] == '\r' ? 2 : 1;
        ++line;
        break;
      }
      const char c = text[i];
      if (c == separator) {
        record.fields.push_back(fieldQuoted ? field : trimmed(field));
        field.clear();
        fieldQuoted = false;
        ++i;
      } else if (c == '"' && trimmed(field).empty() && !fieldQuoted) {
        field.clear();
        fieldQuoted = true;
        const std::size_t startLine = line;
        for (++i;; ++i) {
          if (i >= text.size())
            throw PlanError(fileName + ":" + std::to_string(startLine) + ": a quoted field has no closing quote");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              ++i;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field += text[i];
        }
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size() && text[i] != separator && text[i] != '\n' && text[i] != '\r')
          throw PlanError(fileName + ":" + std::to_string(line) + ": text after a closing quote");
      } else {
        if (fieldQuoted)
          throw PlanError(fileName + ":" + std::to_string(line) + ": text after a closing quote");
        field += c;
        ++i;
      }
    }
    const bool blank = std::all_of(record.fields.begin(), record.fields.end(), [](const std::string& f) {
      return f.empty();
    });
    if (!blank) out.push_back(std::move(record));
  }
  return out;
}

enum Name : std::size_t { Object, Address, Floor, Room, Point, Device, From, To, kNames };
constexpr std::array<const char*, kNames> kNameTexts = {"object", "address", "floor", "room",
                                                         "point",  "device",  "from",  "to"};

}  // namespace

std::vector<PlanRow> parsePlanCsv(std::string_view text, const std::string& fileName) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (cli::validUtf8(text) != text)
    throw PlanError(fileName + ": not UTF-8 text: save the plan as CSV in UTF-8 (Excel: \"CSV UTF-8\")");
  const std::vector<CsvRecord> records = splitRecords(text, separatorOf(text), fileName);
  if (records.empty()) throw PlanError(fileName + ": empty: the plan needs a header line and rows");

  const CsvRecord& header = records.front();
  std::array<std::optional<std::size_t>, kNames> at;
  for (std::size_t c = 0; c < header.fields.size(); ++c) {
    const std::string name = lower(trimmed(header.fields[c]));
    const auto known = std::find(kNameTexts.begin(), kNameTexts.end(), name);
    const std::string where = fileName + ":" + std::to_string(header.line) + ": ";
    if (known == kNameTexts.end())
      throw PlanError(where + "column '" + header.fields[c] +
                      "' is none of object, address, floor, room, point, device, from, to");
    auto& slot = at[static_cast<std::size_t>(known - kNameTexts.begin())];
    if (slot) throw PlanError(where + "column '" + name + "' is given twice");
    slot = c;
  }
  for (Name required : {Object, Room, Device, From, To})
    if (!at[required])
      throw PlanError(fileName + ":" + std::to_string(header.line) + ": the plan has no column '" +
                      kNameTexts[required] + "'");

  std::vector<PlanRow> plan;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    const std::string where = fileName + ":" + std::to_string(record.line) + ": ";
    if (record.fields.size() != header.fields.size())
      throw PlanError(where + std::to_string(record.fields.size()) + " fields, the header has " +
                      std::to_string(header.fields.size()));
    auto value = [&](Name n) { return at[n] ? record.fields[*at[n]] : std::string(); };
    PlanRow row;
    row.line = record.line;
    row.object = value(Object);
    row.address = value(Address);
    row.placement.object = row.object;
    row.placement.point = {value(Floor), value(Room), value(Point)};
    if (row.object.empty()) throw PlanError(where + "no object");
    if (row.placement.point.room.empty()) throw PlanError(where + "no room");
    const std::string device = value(Device);
    const auto parsed = std::from_chars(device.data(), device.data() + device.size(), row.placement.device);
    if (device.empty() || parsed.ec != std::errc() || parsed.ptr != device.data() + device.size())
      throw PlanError(where + "device '" + device + "' is not a number");
    for (Name n : {From, To}) {
      const std::string bound = value(n);
      DateTime& out = n == From ? row.placement.from : row.placement.to;
      if (!cli::parsePeriodBound(bound, n == To, out))
        throw PlanError(where + kNameTexts[n] + " '" + bound +
                        "' is not a date of the forms YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]");
    }
    if (row.placement.to < row.placement.from) throw PlanError(where + "'to' lies before 'from'");
    plan.push_back(std::move(row));
  }
  if (plan.empty()) throw PlanError(fileName + ": the plan has a header but no rows");
  return plan;
}

}  // namespace zel::archive
