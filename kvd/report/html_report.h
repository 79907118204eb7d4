// The report: one self-contained HTML file with the series as charts on one
// time axis, the statistics, the verdicts against reference levels, every
// record in a table and, if asked for, result pages and spectra as pictures.
// It makes no request of any kind, so that it opens the same offline.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "kvd/report/reference_levels.h"

namespace zel::report {

enum class Language { En, Ru };
enum class Units { Bq, PCi };  // PCi: concentrations in pCi/L beside Bq/m3

// A named result of a record: CRn, CTn, Qint, EECRn, EECTn, flux …
struct NamedValue {
  std::string name;
  double value = 0;
  std::optional<double> error;
  std::string unit;  // "Bq/m3", "mBq/(m2*s)"
};

struct ReportFile {
  std::string name;  // UTF-8, as the user named it
  std::vector<std::uint32_t> devices;
};

struct ReportRow {
  int file = 0;             // into ReportInput::files
  std::uint32_t index = 0;  // the record's index in its file
  std::int64_t time = 0;    // the instrument's clock, seconds since 1970-01-01 as if UTC
  std::string dateTime;     // as the programs show it: "05.07.2019 09:04:07"
  int modeCode = 0;
  std::string modeName;
  // The mode's main value, the one the browser lists.
  std::optional<double> value;
  std::optional<double> error;
  std::string unit;
  std::optional<double> temperature;  // °C
  std::optional<double> humidity;     // %
  std::optional<double> pressure;     // mmHg
  std::vector<NamedValue> quantities;
};

// The statistics of one quantity over the records of one mode in the period.
// A mode's first row is its main value.
struct StatisticsRow {
  int modeCode = 0;
  std::string modeName;
  std::string quantity;
  std::string unit;
  std::size_t count = 0;
  std::string first;  // date-times of the first and the last record
  std::string last;
  double min = 0;
  double max = 0;
  double mean = 0;
  double uncertainty = 0;  // standard uncertainty of the mean
  double stddev = 0;
};

struct ReportPage {
  std::string caption;      // UTF-8: file, index, date-time, mode
  std::string pageSvg;      // a stand-alone SVG file or an <svg> element; empty: none
  std::string spectrumSvg;
};

struct ReportInput {
  std::string title;
  Language language = Language::En;
  Units units = Units::Bq;
  std::string from;  // the period as asked for, or empty
  std::string to;
  std::vector<ReportFile> files;
  std::vector<ReportRow> rows;  // in time order
  std::vector<StatisticsRow> statistics;
  std::vector<const Norm*> norms;  // empty: the defaults
  std::vector<ReportPage> pages;
};

// One verdict: a record, or the mean of a mode's records over the period.
struct VerdictRow {
  const Norm* norm = nullptr;
  bool mean = false;
  int row = -1;  // into ReportInput::rows, for a record
  int modeCode = 0;
  std::size_t count = 1;
  Measured measured{0, 0};
  Verdict verdict = Verdict::Inconclusive;
};

// Every verdict of the chosen norms, those of means first, in norm order;
// a norm without records gives none.
std::vector<VerdictRow> computeVerdicts(const ReportInput& input);

void writeHtmlReport(std::ostream& out, const ReportInput& input);
std::string htmlReport(const ReportInput& input);

}  // namespace zel::report
