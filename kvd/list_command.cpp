// kvd list: the records as the record browser lists them, one line each
// (date, time, mode name, value ± error in the column of its category),
// under the file's name and record count.
#include <string>

#include "kvd/commands.h"
#include "kvd/input.h"
#include "kvd/record_meaning.h"

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

// Pads with blanks to `column`; the line so far is ASCII, one byte a column.
void padTo(std::string& line, std::size_t column) {
  if (line.size() < column) line.append(column - line.size(), ' ');
}

std::string heading() {
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

}  // namespace

int runList(const ListOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  RecordFile file;
  MeasurementRecord record;
  bool firstBlock = true;
  for (const std::string& name : expandFileArguments(options.files)) {
    if (!file.open(name, diagnostics)) continue;
    const std::uint64_t count = file.recordCount();
    std::string block = firstBlock ? "" : "\n";
    firstBlock = false;
    block += name + ": " + std::to_string(count) + (count == 1 ? " record\n" : " records\n");
    block += heading();
    io.out.write(block);
    std::string line;
    while (file.next(record)) {
      const ListValue pair = listValue(record);
      line = pair.date;
      padTo(line, kTimeColumn);
      line += pair.time;
      padTo(line, kModeColumn);
      line += pair.modeName;
      line += ' ';
      padTo(line, valueColumn(pair.category));
      line += pair.valueText;
      if (!pair.errorText.empty()) line += " \u00B1 " + pair.errorText;
      if (options.pci && pair.conversion != Conversion::None) {
        line += "  [" + readableNumberText(convert(pair.value, pair.conversion));
        if (pair.error.present()) line += " \u00B1 " + readableNumberText(convert(pair.error, pair.conversion));
        line += " " + std::string(conversionUnitText(pair.conversion)) + "]";
      }
      line += '\n';
      io.out.write(line);
    }
    file.finish(diagnostics);
  }
  io.out.flush();
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

}  // namespace zel::cli
