// The record's date and time: its calendar check and its texts.
#include <charconv>
#include <cstring>

#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

bool isLeapYear(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// At least `digits` digits, leading zeros added; all digits of larger values.
char* padded(char* out, unsigned v, int digits) {
  char buf[8];
  char* end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  for (int n = static_cast<int>(end - buf); n < digits; ++n) *out++ = '0';
  std::memcpy(out, buf, static_cast<std::size_t>(end - buf));
  return out + (end - buf);
}

}  // namespace

DateTime recordDateTime(const MeasurementRecord& r) {
  return {r.year(), r.month(), r.day(), r.hour(), r.minute(), r.second()};
}

bool isCalendarDate(const DateTime& t) {
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= daysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

bool fitsSpreadsheetDate(const DateTime& t) {
  return isCalendarDate(t) && (t.year > 1900 || (t.year == 1900 && t.month >= 3));
}

char* formatIsoDateTime(char* out, const DateTime& t) {
  out = padded(out, t.year, 4);
  *out++ = '-';
  out = padded(out, t.month, 2);
  *out++ = '-';
  out = padded(out, t.day, 2);
  *out++ = 'T';
  out = padded(out, t.hour, 2);
  *out++ = ':';
  out = padded(out, t.minute, 2);
  *out++ = ':';
  return padded(out, t.second, 2);
}

std::string isoDateTimeText(const DateTime& t) {
  char buf[kMaxIsoDateTimeText];
  return {buf, formatIsoDateTime(buf, t)};
}

std::string readableDateTimeText(const DateTime& t) {
  char buf[kMaxIsoDateTimeText];
  char* p = padded(buf, t.day, 2);
  *p++ = '.';
  p = padded(p, t.month, 2);
  *p++ = '.';
  p = padded(p, t.year, 4);
  *p++ = ' ';
  p = padded(p, t.hour, 2);
  *p++ = ':';
  p = padded(p, t.minute, 2);
  *p++ = ':';
  p = padded(p, t.second, 2);
  return {buf, p};
}

}  // namespace zel::cli
