// kvd show: one record, or every record of a file, in full: the date and
// time, the mode, the results as the mode's page names them, the record
// browser's value pair, every named field with its unit, the spectrum
// windows with their sums as the spectrum panel computes them when it
// opens, and the spectrum itself.
#include <set>
#include <string>

#include "kvd/commands/commands.h"
#include "kvd/commands/list_lines.h"
#include "kvd/io/input.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

constexpr std::size_t kLabelWidth = 18;
constexpr std::size_t kFieldWidth = 24;
constexpr int kChannelsPerLine = 16;

std::string withUnit(const std::string& number, Unit unit) {
  const std::string_view u = unitText(unit);
  return u.empty() ? number : number + " " + std::string(u);
}

// "57 ± 8 Bq/m3", and with pci " = 0.0154 ± 0.00216 WL".
std::string valueText(const Number& value, const Number& error, Unit unit, Conversion conversion, bool pci) {
  std::string text = numberText(value);
  if (error.present()) text.append(" \u00B1 ").append(numberText(error));
  text = withUnit(text, unit);
  if (pci && conversion != Conversion::None && value.present()) {
    text.append(" = ").append(readableNumberText(convert(value, conversion)));
    if (error.present()) text.append(" \u00B1 ").append(readableNumberText(convert(error, conversion)));
    text.append(" ").append(conversionUnitText(conversion));
  }
  return text;
}

std::string describe(const std::string& name, std::uint64_t index, std::uint64_t count, const MeasurementRecord& r,
                     bool pci) {
  std::string s = name + ", record " + std::to_string(index) + " (of " + std::to_string(count) + ")\n";
  auto line = [&s](std::string_view label, const std::string& text) {
    std::string l = "  ";
    l.append(label);
    padTo(l, kLabelWidth);
    s += l + text + "\n";
  };

  const DateTime when = recordDateTime(r);
  line("Date and time", readableDateTimeText(when) + (isCalendarDate(when) ? "" : " (no calendar date)"));
  const ListValue pair = listValue(r);
  std::string modeText = std::to_string(pair.mode) + ", " + std::string(pair.modeName);
  const std::string program = viewerProgramText(pair.mode);
  modeText += program.empty() ? " (no viewer program)" : " (viewer " + program + ")";
  line("Mode", modeText);

  const std::vector<Quantity> quantities = results(r);
  if (quantities.empty()) {
    line("Results", "none: no viewer program shows this mode");
  } else {
    s += "  Results\n";
    for (const Quantity& q : quantities) {
      std::string text = q.value.present() ? valueText(q.value, q.error, q.unit, q.conversion, pci) : std::string(q.text);
      s += "    " + q.label + (q.value.present() ? " = " : ": ") + text + "\n";
    }
  }
  std::string listed = pair.valueText;
  if (!pair.errorText.empty()) listed += " \u00B1 " + pair.errorText;
  listed = withUnit(listed, pair.unit);
  if (pair.valueText != numberText(pair.value)) listed += " (value " + numberText(pair.value) + ")";
  if (pci && pair.conversion != Conversion::None)
    listed += " = " + readableNumberText(convert(pair.value, pair.conversion)) +
              (pair.error.present() ? " \u00B1 " + readableNumberText(convert(pair.error, pair.conversion)) : "") +
              " " + std::string(conversionUnitText(pair.conversion));
  line("Record browser", listed);

  s += "  Fields\n";
  for (const FieldValue& f : fieldValues(r)) {
    std::string l = "    ";
    l.append(f.name);
    padTo(l, kFieldWidth);
    s += l + withUnit(numberText(f.value), f.unit) + "\n";
  }

  const WindowSums windows = windowSums(r);
  if (windows.windowCount == 0) {
    line("Spectrum windows", "none: no viewer program shows this mode");
  } else {
    std::string bounds;
    for (int b = 0; b < windows.boundaryCount; ++b)
      bounds += (b == 0 ? "" : ", ") + std::to_string(windows.boundaries[static_cast<std::size_t>(b)]);
    s += "  Spectrum windows (stored boundaries " + bounds + "), pulses\n";
    for (int w = 0; w < windows.windowCount; ++w) {
      std::string l = "    " + windows.ranges[static_cast<std::size_t>(w)];
      padTo(l, kFieldWidth);
      s += l + std::to_string(windows.sums[static_cast<std::size_t>(w)]) + "\n";
    }
  }

  s += "  Spectrum, pulses in channels 0 ... 255\n";
  const std::array<std::uint16_t, kSpectrumChannels> counts = spectrumCounts(r);
  for (int first = 0; first < kSpectrumChannels; first += kChannelsPerLine) {
    std::string l = std::to_string(first);
    l = "    " + std::string(3 - l.size(), ' ') + l + ":";
    for (int k = first; k < first + kChannelsPerLine; ++k) {
      const std::string count = std::to_string(counts[static_cast<std::size_t>(k)]);
      l.append(count.size() < 6 ? 6 - count.size() : 1, ' ');
      l += count;
    }
    s += l + "\n";
  }
  return s;
}

}  // namespace

ShowTarget parseShowArgument(const std::string& argument) {
  ShowTarget target;
  target.file = argument;
  const std::size_t comma = argument.rfind(',');
  if (comma == std::string::npos || comma == 0) return target;
  std::uint64_t index = 0;
  for (std::size_t k = comma + 1; k < argument.size(); ++k) {
    const char c = argument[k];
    if (c < '0' || c > '9') return target;
    const unsigned digit = static_cast<unsigned>(c - '0');
    index = index > (UINT64_MAX - digit) / 10 ? UINT64_MAX : index * 10 + digit;
  }
  target.file = argument.substr(0, comma);
  target.allRecords = false;
  target.index = index;
  return target;
}

int runShow(const ShowOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  std::set<std::string> noted;  // a file's partial record is said once
  bool first = true;
  for (const std::string& argument : options.arguments) {
    const ShowTarget target = parseShowArgument(argument);
    for (const FileName& input : expandFileArguments({target.file})) {
      const std::string& name = input.text();
      RecordFile file;
      if (!file.open(input, diagnostics)) continue;
      MeasurementRecord record;
      std::uint64_t index = target.allRecords ? 0 : target.index;
      if (!target.allRecords && index >= file.recordCount()) {
        diagnostics.fileFailed(name + "," + (index == UINT64_MAX ? argument.substr(argument.rfind(',') + 1)
                                                                 : std::to_string(index)),
                               "no such record: the file holds " + std::to_string(file.recordCount()) +
                                   (file.recordCount() == 1 ? " record (index 0)"
                                                            : " records (indexes 0 ... " +
                                                                  std::to_string(file.recordCount() - 1) + ")"));
        continue;
      }
      bool ok = target.allRecords ? file.next(record) : file.readAt(index, record);
      while (ok) {
        if (!first) io.out.write("\n");
        io.out.write(describe(name, index, file.recordCount(), record, options.pci));
        first = false;
        if (!target.allRecords) break;
        ++index;
        ok = file.next(record);
      }
      if (noted.insert(name).second) {
        file.finish(diagnostics);
      }
    }
  }
  io.out.flush();
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

}  // namespace zel::cli
