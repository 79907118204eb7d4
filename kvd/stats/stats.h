// Statistics of measured values per measurement mode, over any sequence of
// (date and time, mode, value, error): kvd stats feeds it the record
// browser's value pairs, a report can feed it whatever it charts. Memory does
// not grow with the number of observations.
//
// Per mode: the number of observations; the first and last date and time
// among those that are calendar dates; the minimum and maximum value as
// stored; the arithmetic mean; its standard uncertainty combined from the
// observations' errors, sqrt(sum of error²) / n, given only when every
// observation of the mode has an error; and the sample standard deviation
// of the values (n - 1 in the denominator), not defined for n = 1.
//
// Values that are NaN or infinite (a broken coefficient) are counted but
// take no part in the minimum, maximum, mean, uncertainty or deviation,
// whose n is the number of finite values.
//
// Observations whose date is no calendar date have no place in time: they
// count in every figure when no period is asked for (and are told as
// "undated"), but a period (from, to) leaves them out, and says how many.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

struct Observation {
  DateTime when;
  std::uint32_t mode = 0;
  Number value;
  Number error;  // none when the value has no error
};

// Inclusive bounds; an unset bound is open.
struct Period {
  std::optional<DateTime> from;
  std::optional<DateTime> to;
  bool limited() const { return from.has_value() || to.has_value(); }
  bool contains(const DateTime& t) const;
};

// A period bound as the user writes it: "YYYY-MM-DD", "YYYY-MM-DDThh:mm",
// "YYYY-MM-DDThh:mm:ss" (a blank for the T as well) or "dd.mm.yyyy",
// "dd.mm.yyyy hh:mm", "dd.mm.yyyy hh:mm:ss". A date without a time is the
// start of that day for `from` and its last second for `to`. False when the
// text is none of these, no calendar date, or its year starts with a zero.
bool parsePeriodBound(std::string_view text, bool endOfDay, DateTime& out);

struct ModeStatistics {
  std::uint32_t mode = 0;
  std::uint64_t count = 0;            // observations taken
  std::uint64_t undated = 0;          // of them, without a calendar date
  std::uint64_t outsidePeriod = 0;    // left out: dated outside the period
  std::uint64_t undatedExcluded = 0;  // left out: no calendar date, a period was asked for
  std::uint64_t nonFinite = 0;        // of those taken, NaN or infinite
  std::optional<DateTime> first;
  std::optional<DateTime> last;
  Number minimum;  // as stored; none when no finite value
  Number maximum;
  std::optional<double> mean;
  std::optional<double> meanUncertainty;
  std::optional<double> standardDeviation;
  std::uint64_t finiteCount() const { return count - nonFinite; }
};

class Statistics {
 public:
  explicit Statistics(Period period = {}) : period_(period) {}

  void add(const Observation& observation);
  // One entry per mode seen, by mode code; modes whose every observation
  // was left out by the period are listed with count 0.
  std::vector<ModeStatistics> result() const;

 private:
  struct Accumulator {
    ModeStatistics stats;
    long double mean = 0;  // running mean and sum of squared deviations (Welford)
    long double m2 = 0;
    long double errorSquares = 0;
    bool allErrors = true;
    double minimum = 0;
    double maximum = 0;
  };

  Period period_;
  std::map<std::uint32_t, Accumulator> modes_;
};

}  // namespace zel::cli
