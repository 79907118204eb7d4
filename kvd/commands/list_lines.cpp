#include "kvd/commands/list_lines.h"

#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

// Character columns of the list: the browser's pixel columns kept in order
// (radon values, then the pulse counts of the manual modes, then EEC).
constexpr std::size_t kTimeColumn = 12;
constexpr std::size_t kModeColumn = 22;
constexpr std::size_t kRadonColumn = 50;
constexpr std::size_t kManualColumn = 62;
constexpr std::size_t kEecColumn = 74;

std::size_t valueColumn(std::uint8_t category) {
  switch (category) {
    case 2: return kEecColumn;
    case 4: return kManualColumn;
    default: return kRadonColumn;
  }
}

}  // namespace

std::string listHeading() {
  std::string line = "Date";
  padTo(line, kTimeColumn);
  line += "Time";
  padTo(line, kModeColumn);
  line += "Measurement mode";
  padTo(line, kRadonColumn);
  line += "Crn(Bq/m3)";
  padTo(line, kEecColumn);
  line += "EEC(Bq/m3)\n";
  return line;
}

std::string listLine(const MeasurementRecord& record, bool pci) {
  const ListValue pair = listValue(record);
  std::string line = pair.date;
  padTo(line, kTimeColumn);
  line += pair.time;
  padTo(line, kModeColumn);
  line += pair.modeName;
  line += ' ';
  padTo(line, valueColumn(pair.category));
  line += pair.valueText;
  if (!pair.errorText.empty()) line += " \u00B1 " + pair.errorText;
  if (pci && pair.conversion != Conversion::None) {
    line += "  [" + readableNumberText(convert(pair.value, pair.conversion));
    if (pair.error.present()) line += " \u00B1 " + readableNumberText(convert(pair.error, pair.conversion));
    line += " " + std::string(conversionUnitText(pair.conversion)) + "]";
  }
  return line;
}

void padTo(std::string& line, std::size_t column) {
  if (line.size() < column) line.append(column - line.size(), ' ');
}

}  // namespace zel::cli
