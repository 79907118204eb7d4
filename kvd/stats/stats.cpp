#include "kvd/stats/stats.h"

#include <cmath>

namespace zel::cli {

namespace {

bool digits(std::string_view text, std::size_t at, std::size_t n, unsigned& out) {
  if (at + n > text.size()) return false;
  out = 0;
  for (std::size_t k = at; k < at + n; ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
    out = out * 10 + static_cast<unsigned>(text[k] - '0');
  }
  return true;
}

// "hh:mm" or "hh:mm:ss" from `at` to the end of the text.
bool parseTime(std::string_view text, std::size_t at, DateTime& t, bool& withSeconds) {
  unsigned h, m, s = 0;
  if (!digits(text, at, 2, h) || text.size() <= at + 2 || text[at + 2] != ':' || !digits(text, at + 3, 2, m))
    return false;
  withSeconds = false;
  if (text.size() == at + 5) {
  } else if (text.size() == at + 8 && text[at + 5] == ':' && digits(text, at + 6, 2, s)) {
    withSeconds = true;
  } else {
    return false;
  }
  t.hour = static_cast<std::uint16_t>(h);
  t.minute = static_cast<std::uint16_t>(m);
  t.second = static_cast<std::uint16_t>(s);
  return true;
}

}  // namespace

bool Period::contains(const DateTime& t) const {
  if (from && t < *from) return false;
  if (to && *to < t) return false;
  return true;
}

bool parsePeriodBound(std::string_view text, bool endOfDay, DateTime& out) {
  DateTime t;
  unsigned a, b, c;
  std::size_t timeAt;
  if (digits(text, 0, 4, a) && text.size() >= 10 && text[4] == '-' && digits(text, 5, 2, b) && text[7] == '-' &&
      digits(text, 8, 2, c)) {
    t.year = static_cast<std::uint16_t>(a);
    t.month = static_cast<std::uint16_t>(b);
    t.day = static_cast<std::uint16_t>(c);
    if (text.size() > 10 && text[10] != 'T' && text[10] != ' ') return false;
    timeAt = 11;
  } else if (digits(text, 0, 2, a) && text.size() >= 10 && text[2] == '.' && digits(text, 3, 2, b) &&
             text[5] == '.' && digits(text, 6, 4, c)) {
    t.day = static_cast<std::uint16_t>(a);
    t.month = static_cast<std::uint16_t>(b);
    t.year = static_cast<std::uint16_t>(c);
    if (text.size() > 10 && text[10] != ' ') return false;
    timeAt = 11;
  } else {
    return false;
  }
  if (text.size() == 10) {
    t.hour = endOfDay ? 23 : 0;
    t.minute = t.second = endOfDay ? 59 : 0;
  } else {
    bool withSeconds = false;
    if (!parseTime(text, timeAt, t, withSeconds)) return false;
    // "to 10:30" takes in the whole minute.
    if (!withSeconds && endOfDay) t.second = 59;
  }
  // A year with a leading zero ("0020") is one typed halfway, never the
  // year of a measurement.
  if (!isCalendarDate(t) || t.year < 1000) return false;
  out = t;
  return true;
}

void Statistics::add(const Observation& o) {
  Accumulator& a = modes_[o.mode];
  ModeStatistics& s = a.stats;
  s.mode = o.mode;
  const bool dated = isCalendarDate(o.when);
  if (period_.limited()) {
    if (!dated) {
      ++s.undatedExcluded;
      return;
    }
    if (!period_.contains(o.when)) {
      ++s.outsidePeriod;
      return;
    }
  }
  ++s.count;
  if (dated) {
    if (!s.first || o.when < *s.first) s.first = o.when;
    if (!s.last || *s.last < o.when) s.last = o.when;
  } else {
    ++s.undated;
  }
  if (!o.error.present()) a.allErrors = false;
  if (!o.value.finite()) {
    ++s.nonFinite;
    return;
  }
  const double v = o.value.toDouble();
  const std::uint64_t n = s.finiteCount();
  if (n == 1 || v < a.minimum) {
    a.minimum = v;
    s.minimum = o.value;
  }
  if (n == 1 || v > a.maximum) {
    a.maximum = v;
    s.maximum = o.value;
  }
  const long double delta = v - a.mean;
  a.mean += delta / static_cast<long double>(n);
  a.m2 += delta * (v - a.mean);
  if (o.error.present()) {
    const long double e = o.error.toDouble();
    a.errorSquares += e * e;
  }
}

std::vector<ModeStatistics> Statistics::result() const {
  std::vector<ModeStatistics> out;
  for (const auto& [mode, a] : modes_) {
    ModeStatistics s = a.stats;
    const std::uint64_t n = s.finiteCount();
    if (n > 0) {
      s.mean = static_cast<double>(a.mean);
      if (a.allErrors) s.meanUncertainty = static_cast<double>(std::sqrt(a.errorSquares) / n);
      if (n > 1) s.standardDeviation = static_cast<double>(std::sqrt(a.m2 / (n - 1)));
    }
    out.push_back(s);
  }
  return out;
}

}  // namespace zel::cli
