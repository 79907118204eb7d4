#include "kvd/stats/stats_format.h"

#include <algorithm>

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kLabelColumn = 26;

Json numberJson(const Number& n) {
  switch (n.kind) {
    case Number::Kind::None: return nullptr;
    case Number::Kind::Unsigned: return n.u;
    case Number::Kind::Signed: return n.i;
    default: return n.finite() ? Json(n.toDouble()) : Json(nullptr);
  }
}

Json optionalJson(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

std::string optionalText(const std::optional<double>& v) {
  return v ? readableNumberText(Number::ofReal(*v)) : std::string("not defined");
}

void line(std::string& s, std::string_view label, const std::string& text) {
  std::string l = "  ";
  l.append(label);
  if (l.size() < kLabelColumn) l.append(kLabelColumn - l.size(), ' ');
  s += l + text + "\n";
}

std::string converted(const std::optional<double>& v, Conversion c) {
  return v ? readableNumberText(convert(Number::ofReal(*v), c)) : std::string("not defined");
}

}  // namespace

Json periodBoundJson(const std::optional<DateTime>& bound) {
  return bound ? Json(isoDateTimeText(*bound)) : Json(nullptr);
}

std::string jsonText(const Json& json) { return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"; }

std::string periodText(const Period& period) {
  if (!period.limited()) return {};
  return "Period: " + (period.from ? readableDateTimeText(*period.from) : std::string("...")) + " to " +
         (period.to ? readableDateTimeText(*period.to) : std::string("...")) + "\n";
}

RecordStatistics::RecordStatistics(Period period, std::vector<std::uint32_t> modes)
    : statistics_(period), modes_(std::move(modes)) {}

void RecordStatistics::add(const MeasurementRecord& record) {
  const ListValue pair = listValue(record, false);
  if (!modes_.empty() && std::find(modes_.begin(), modes_.end(), pair.mode) == modes_.end()) return;
  facts_[pair.mode] = {pair.unit, pair.conversion};
  statistics_.add({recordDateTime(record), pair.mode, pair.value, pair.error});
}

Json RecordStatistics::modesJson(bool pci) const {
  Json modes = Json::array();
  for (const ModeStatistics& g : statistics_.result()) {
    const ModeFacts& f = facts_.at(g.mode);
    Json m = Json::object();
    m["mode"] = g.mode;
    m["modeName"] = std::string(modeNameText(g.mode));
    m["unit"] = std::string(unitText(f.unit));
    m["count"] = g.count;
    m["undated"] = g.undated;
    m["nonFinite"] = g.nonFinite;
    m["outsidePeriod"] = g.outsidePeriod;
    m["undatedExcluded"] = g.undatedExcluded;
    m["first"] = periodBoundJson(g.first);
    m["last"] = periodBoundJson(g.last);
    m["min"] = numberJson(g.minimum);
    m["max"] = numberJson(g.maximum);
    m["mean"] = optionalJson(g.mean);
    m["meanUncertainty"] = optionalJson(g.meanUncertainty);
    m["standardDeviation"] = optionalJson(g.standardDeviation);
    if (pci && f.conversion != Conversion::None) {
      Json c = Json::object();
      auto conv = [&](const std::optional<double>& v) {
        return v ? numberJson(convert(Number::ofReal(*v), f.conversion)) : Json(nullptr);
      };
      c["unit"] = std::string(conversionUnitText(f.conversion));
      c["min"] = g.minimum.present() ? numberJson(convert(g.minimum, f.conversion)) : Json(nullptr);
      c["max"] = g.maximum.present() ? numberJson(convert(g.maximum, f.conversion)) : Json(nullptr);
      c["mean"] = conv(g.mean);
      c["meanUncertainty"] = conv(g.meanUncertainty);
      c["standardDeviation"] = conv(g.standardDeviation);
      m["converted"] = c;
    }
    modes.push_back(m);
  }
  return modes;
}

void RecordStatistics::appendText(std::string& s, bool pci) const {
  for (const ModeStatistics& g : statistics_.result()) {
    const ModeFacts& f = facts_.at(g.mode);
    const std::string unit(unitText(f.unit));
    if (!s.empty()) s += '\n';
    s.append("Mode ").append(std::to_string(g.mode)).append(", ").append(modeNameText(g.mode)).append(": ");
    s.append(std::to_string(g.count)).append(g.count == 1 ? " record" : " records");
    if (!unit.empty()) s.append(", values in ").append(unit);
    s += '\n';
    if (g.undated > 0) line(s, "without calendar date", std::to_string(g.undated) + " (no first or last date)");
    if (g.undatedExcluded > 0)
      line(s, "left out, undated", std::to_string(g.undatedExcluded) + " (no calendar date, so not in the period)");
    if (g.outsidePeriod > 0) line(s, "left out, other dates", std::to_string(g.outsidePeriod));
    if (g.count == 0) continue;
    line(s, "first", g.first ? readableDateTimeText(*g.first) : std::string("none"));
    line(s, "last", g.last ? readableDateTimeText(*g.last) : std::string("none"));
    if (g.nonFinite > 0) line(s, "not finite", std::to_string(g.nonFinite) + " (NaN or infinite, left out below)");
    line(s, "minimum", g.minimum.present() ? numberText(g.minimum) : std::string("none"));
    line(s, "maximum", g.maximum.present() ? numberText(g.maximum) : std::string("none"));
    line(s, "mean", optionalText(g.mean));
    line(s, "standard uncertainty", g.meanUncertainty ? optionalText(g.meanUncertainty)
                                                       : std::string("not defined (values without an error)"));
    line(s, "standard deviation", g.standardDeviation ? optionalText(g.standardDeviation) + " (sample, n - 1)"
                                                       : std::string("not defined for one value"));
    if (pci && f.conversion != Conversion::None) {
      const std::string cu(conversionUnitText(f.conversion));
      line(s, "in " + cu,
           "minimum " + (g.minimum.present() ? readableNumberText(convert(g.minimum, f.conversion)) : "none") +
               ", maximum " + (g.maximum.present() ? readableNumberText(convert(g.maximum, f.conversion)) : "none") +
               ", mean " + converted(g.mean, f.conversion) + " \u00B1 " + converted(g.meanUncertainty, f.conversion) +
               ", standard deviation " + converted(g.standardDeviation, f.conversion));
    }
  }
}

}  // namespace zel::cli
