// A year of hourly records as the report takes them: radon (mode 2) on even
// hours, radon and thoron decay products (mode 14) on odd ones, the climate
// of a cellar, and the statistics of each series.
#pragma once

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "kvd/report/html_report.h"

namespace zel::report::test {

inline std::string dateTimeText(std::int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

inline StatisticsRow statisticsOf(const std::vector<const ReportRow*>& rows, const std::string& quantity,
                                  const std::string& unit) {
  StatisticsRow s;
  s.modeCode = rows.front()->modeCode;
  s.modeName = rows.front()->modeName;
  s.quantity = quantity;
  s.unit = unit;
  s.count = rows.size();
  s.first = rows.front()->dateTime;
  s.last = rows.back()->dateTime;
  std::vector<double> v;
  for (const ReportRow* r : rows)
    for (const NamedValue& q : r->quantities)
      if (q.name == quantity) v.push_back(q.value);
  s.min = s.max = v.front();
  double sum = 0;
  for (double x : v) {
    s.min = std::min(s.min, x);
    s.max = std::max(s.max, x);
    sum += x;
  }
  s.mean = sum / static_cast<double>(v.size());
  double squares = 0;
  for (double x : v) squares += (x - s.mean) * (x - s.mean);
  s.stddev = v.size() > 1 ? std::sqrt(squares / static_cast<double>(v.size() - 1)) : 0;
  s.uncertainty = s.stddev / std::sqrt(static_cast<double>(v.size()));
  return s;
}

inline ReportInput yearInput(int hours = 8760) {
  ReportInput in;
  in.title = "Cellar, Lenina 5 — winter to winter <2019>";
  in.files = {{"cellar & house.kvd", {1234}}};
  const std::int64_t start = 1546300800;  // 01.01.2019 00:00:00
  in.rows.reserve(static_cast<std::size_t>(hours));
  for (int h = 0; h < hours; ++h) {
    ReportRow r;
    r.index = static_cast<std::uint32_t>(h);
    r.time = start + 3600LL * h;
    r.dateTime = dateTimeText(r.time);
    const double day = h / 24.0;
    const double season = std::cos(2 * M_PI * day / 365.0);  // high in winter
    const double daily = std::sin(2 * M_PI * (h % 24) / 24.0);
    r.temperature = std::round(8 - 6 * season);
    r.humidity = std::round(70 + 10 * daily);
    r.pressure = std::round(745 + 8 * std::sin(day / 3.0));
    if (h % 2 == 0) {
      r.modeCode = 2;
      r.modeName = "CRn 20";
      const double crn = std::round(150 + 90 * season + 30 * daily + (h % 7) * 3);
      const double err = std::round(crn * 0.2 + 5);
      r.value = crn;
      r.error = err;
      r.unit = "Bq/m3";
      r.quantities = {{"CRn", crn, err, "Bq/m3"}};
    } else {
      r.modeCode = 14;
      r.modeName = "EEC  - 5";
      const double rn = std::round(70 + 45 * season + 15 * daily + (h % 5) * 2);
      const double tn = std::round(4 + 3 * season + (h % 3));
      const double eRn = std::round(rn * 0.15 + 3);
      const double eTn = std::round(tn * 0.3 + 1);
      r.value = rn;
      r.error = eRn;
      r.unit = "Bq/m3";
      r.quantities = {{"EECRn", rn, eRn, "Bq/m3"}, {"EECTn", tn, eTn, "Bq/m3"}};
    }
    in.rows.push_back(std::move(r));
  }
  std::vector<const ReportRow*> radon, eec;
  for (const ReportRow& r : in.rows) (r.modeCode == 2 ? radon : eec).push_back(&r);
  if (!radon.empty()) in.statistics.push_back(statisticsOf(radon, "CRn", "Bq/m3"));
  if (!eec.empty()) {
    in.statistics.push_back(statisticsOf(eec, "EECRn", "Bq/m3"));
    in.statistics.push_back(statisticsOf(eec, "EECTn", "Bq/m3"));
  }
  return in;
}

}  // namespace zel::report::test
