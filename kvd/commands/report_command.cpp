// kvd report and kvd render: the measurement files as one HTML report with
// charts, statistics, reference levels and, if asked for, result pages and
// spectra; one result page or spectrum as an SVG file. The records are read
// through what record_meaning.h decides, so the report shows the values that
// every other command shows.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "common/mode_table.h"
#include "kvd/commands/commands.h"
#include "kvd/export/writers.h"
#include "kvd/io/index_list.h"
#include "kvd/io/input.h"
#include "kvd/io/output_file.h"
#include "kvd/meaning/record_meaning.h"
#include "kvd/report/html_report.h"
#include "kvd/report/render.h"

namespace zel::cli {

namespace {

// The results that the report charts, by their keys in record_meaning.h.
constexpr std::string_view kChartedKeys[] = {"CRn", "CTn", "EECRn", "EECTn", "Qint", "flux"};

bool charted(std::string_view key) {
  return std::find(std::begin(kChartedKeys), std::end(kChartedKeys), key) != std::end(kChartedKeys);
}

// Seconds since 1970-01-01 of the instrument's clock, as if it were UTC (the
// instrument keeps no zone): days from the civil date by the Gregorian rule.
std::int64_t secondsOf(const DateTime& t) {
  const std::int64_t y = t.year - (t.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (t.month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + t.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<double> finiteValue(const Number& n) {
  if (!n.present() || !n.finite()) return std::nullopt;
  return n.toDouble();
}

// The climate readings, where the mode's page shows them (not in modes 4
// and 7): the temperature as the signed low byte, the humidity's low byte.
void climate(const MeasurementRecord& record, report::ReportRow& row) {
  const std::uint16_t mode = record.modeCode();
  if (mode == 4 || mode == 7 || !hasViewerProgram(mode)) return;
  row.temperature = static_cast<std::int8_t>(record.temperature() & 0xFF);
  row.humidity = record.humidity() & 0xFF;
  row.pressure = record.pressure();
}

// --pages: "none", "all" or record indexes and ranges, "0,3,10-12".
bool parsePages(const std::string& text, bool& all, std::vector<IndexRange>& ranges) {
  all = text == "all";
  if (all || text == "none" || text.empty()) return true;
  return parseIndexList(text, ranges);
}

// The statistics of one quantity of one mode, in the report's terms.
report::StatisticsRow statisticsRow(const ModeStatistics& s, std::string quantity, Unit unit) {
  report::StatisticsRow row;
  row.modeCode = static_cast<int>(s.mode);
  row.modeName = std::string(modeNameText(s.mode));
  row.quantity = std::move(quantity);
  row.unit = std::string(unitText(unit));
  row.count = static_cast<std::size_t>(s.finiteCount());
  row.first = s.first ? readableDateTimeText(*s.first) : std::string();
  row.last = s.last ? readableDateTimeText(*s.last) : std::string();
  row.min = s.minimum.present() ? s.minimum.toDouble() : 0;
  row.max = s.maximum.present() ? s.maximum.toDouble() : 0;
  row.mean = s.mean.value_or(0);
  row.uncertainty = s.meanUncertainty.value_or(0);
  row.stddev = s.standardDeviation.value_or(0);
  return row;
}

// Per mode: the statistics of the value the browser lists (the mode's first
// row, named by the charted result it is, if it is one), then of every other
// charted result.
struct ModeSeries {
  std::string mainName;
  Unit mainUnit = Unit::None;
  Statistics main;
  std::map<std::string, std::pair<Unit, Statistics>> others;
};

std::string mainQuantityName(const ListValue& pair, const std::vector<Quantity>& quantities) {
  for (const Quantity& q : quantities)
    if (charted(q.key) && q.value.present() && pair.value.present() && q.value.toDouble() == pair.value.toDouble())
      return std::string(q.key);
  switch (pair.category) {
    case 2: return "EEC";
    case 4: return "N";
    default: return "CRn";
  }
}

}  // namespace

std::string chooseNorms(const std::vector<std::string>& names, std::vector<const report::Norm*>& norms) {
  for (const std::string& norm : names) {
    const report::Norm* n = report::findNorm(norm);
    if (n == nullptr) {
      std::string known;
      for (const report::Norm& each : report::allNorms()) known += (known.empty() ? "" : ", ") + std::string(each.name);
      return "--norm " + norm + ": not a reference level (" + known + ")";
    }
    if (std::find(norms.begin(), norms.end(), n) == norms.end()) norms.push_back(n);
  }
  return {};
}

int runReport(const ReportOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  const FileName output(options.output);
  const std::vector<FileName> names = expandFileArguments(options.files);
  if (const std::string refusal = outputRefusal(output, names); !refusal.empty())
    return usageError(io, refusal, kReportUsage);

  bool allPages = false;
  std::vector<IndexRange> pageRanges;
  if (!parsePages(options.pages, allPages, pageRanges))
    return usageError(io, "--pages " + options.pages + ": none, all, or record indexes such as 0,3,10-12",
                      kReportUsage);

  report::ReportInput input;
  // A report is UTF-8 throughout: a title or a file name in another encoding
  // (an argument on Linux is only bytes) has its broken bytes replaced.
  input.title = options.title.empty() ? "Radon and thoron measurements" : validUtf8(options.title);
  input.language = options.russian ? report::Language::Ru : report::Language::En;
  input.units = options.pci ? report::Units::PCi : report::Units::Bq;
  if (options.period.from) input.from = readableDateTimeText(*options.period.from);
  if (options.period.to) input.to = readableDateTimeText(*options.period.to);
  if (const std::string why = chooseNorms(options.norms, input.norms); !why.empty())
    return usageError(io, why, kReportUsage);

  std::map<std::uint32_t, ModeSeries> series;
  std::uint64_t undated = 0;
  RecordFile file;
  MeasurementRecord record;
  for (const FileName& name : names) {
    if (!file.open(name, diagnostics)) continue;
    const int fileIndex = static_cast<int>(input.files.size());
    input.files.push_back({validUtf8(name.text()), {}});
    std::set<std::uint32_t> devices;
    for (std::uint64_t index = 0; file.next(record); ++index) {
      const DateTime when = recordDateTime(record);
      // A record without a calendar date has no place on the time axis.
      if (!isCalendarDate(when)) {
        ++undated;
        continue;
      }
      if (!options.period.contains(when)) continue;
      devices.insert(record.deviceNumber());
      const std::uint32_t mode = record.modeCode();
      const ListValue pair = listValue(record);
      const std::vector<Quantity> quantities = results(record);

      report::ReportRow row;
      row.file = fileIndex;
      row.index = static_cast<std::uint32_t>(index);
      row.time = secondsOf(when);
      row.dateTime = readableDateTimeText(when);
      row.modeCode = static_cast<int>(mode);
      row.modeName = std::string(modeNameText(mode));
      row.value = finiteValue(pair.value);
      row.error = finiteValue(pair.error);
      row.unit = std::string(unitText(pair.unit));
      climate(record, row);

      ModeSeries& s = series[mode];
      if (s.mainName.empty()) {
        s.mainName = mainQuantityName(pair, quantities);
        s.mainUnit = pair.unit;
      }
      s.main.add({when, mode, pair.value, pair.error});
      for (const Quantity& q : quantities) {
        if (!charted(q.key) || !q.value.present()) continue;
        if (const std::optional<double> v = finiteValue(q.value))
          row.quantities.push_back({std::string(q.key), *v, finiteValue(q.error), std::string(unitText(q.unit))});
        if (q.key == s.mainName) continue;
        auto [it, fresh] = s.others.try_emplace(std::string(q.key), q.unit, Statistics());
        it->second.second.add({when, mode, q.value, q.error});
      }

      if (allPages || indexWanted(pageRanges, index)) {
        const report::SvgResult page = report::renderPageSvg(record);
        if (!page.error.empty()) {
          diagnostics.note(name.text(), "record " + std::to_string(index) + ": " + page.error);
        } else {
          input.pages.push_back({input.files.back().name + ", record " + std::to_string(index) + ", " +
                                     row.dateTime + ", " + row.modeName,
                                 page.svg, report::renderSpectrumSvg(record).svg});
        }
      }
      input.rows.push_back(std::move(row));
    }
    input.files.back().devices.assign(devices.begin(), devices.end());
    file.finish(diagnostics);
  }
  if (undated > 0)
    diagnostics.note(options.output, std::to_string(undated) +
                                         " records without a calendar date have no place on the time axis and are "
                                         "left out of the report");
  if (input.files.empty()) {
    diagnostics.failed("no measurement file could be read; no report written");
    return kExitFailed;
  }

  std::stable_sort(input.rows.begin(), input.rows.end(),
                   [](const report::ReportRow& a, const report::ReportRow& b) { return a.time < b.time; });
  for (auto& [mode, s] : series) {
    for (const ModeStatistics& m : s.main.result()) input.statistics.push_back(statisticsRow(m, s.mainName, s.mainUnit));
    for (auto& [key, other] : s.others)
      for (const ModeStatistics& m : other.second.result()) input.statistics.push_back(statisticsRow(m, key, other.first));
  }

  OutputFile out;
  std::string why;
  if (!out.create(output.path(), why)) {
    diagnostics.failed(options.output + ": " + why);
    return kExitFailed;
  }
  const std::string html = report::htmlReport(input);
  if (std::fwrite(html.data(), 1, html.size(), out.stream()) != html.size()) {
    out.discard();
    diagnostics.failed(options.output + ": could not be written");
    return kExitFailed;
  }
  if (!out.commit(why)) {
    diagnostics.failed(options.output + ": " + why);
    return kExitFailed;
  }
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

int runRender(const RenderOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  const ShowTarget target = parseShowArgument(options.argument);
  if (target.allRecords)
    return usageError(io, options.argument + ": name one record, FILE,INDEX", kRenderUsage);
  const FileName output(options.output);
  const FileName input(target.file);
  if (const std::string refusal = outputRefusal(output, {input}); !refusal.empty())
    return usageError(io, refusal, kRenderUsage);
  RecordFile file;
  if (!file.open(input, diagnostics)) return kExitFailed;
  MeasurementRecord record;
  if (!file.readAt(target.index, record)) {
    diagnostics.fileFailed(target.file, "has no record " + std::to_string(target.index) + " (" +
                                            std::to_string(file.recordCount()) + " records)");
    return kExitFailed;
  }
  const report::SvgResult svg = options.spectrum ? report::renderSpectrumSvg(record) : report::renderPageSvg(record);
  if (!svg.error.empty()) {
    diagnostics.fileFailed(target.file, "record " + std::to_string(target.index) + ": " + svg.error);
    return kExitFailed;
  }
  OutputFile out;
  std::string why;
  if (!out.create(output.path(), why) ||
      std::fwrite(svg.svg.data(), 1, svg.svg.size(), out.stream()) != svg.svg.size() || !out.commit(why)) {
    out.discard();
    diagnostics.failed(options.output + ": " + (why.empty() ? std::string("could not be written") : why));
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace zel::cli
