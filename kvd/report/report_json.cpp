#include "kvd/report/report_json.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "kvd/report/report_format.h"
#include "kvd/report/report_texts.h"

namespace zel::report {

namespace {

constexpr std::string_view kEecSumName = "EEC(Rn) + 4.6 EEC(Tn)";

class Charts {
 public:
  Charts(const ReportInput& in, const std::vector<const Norm*>& norms) : in_(in), norms_(norms) {}

  std::string write() {
    std::string js = "[";
    std::vector<Series> conc;
    for (const char* name : {"CRn", "CTn", "Qint"})
      if (present(name)) conc.push_back({name, name});
    chart(js, text("concentrations"), conc, Quantity::IndoorRadon, true, "Bq/m3");
    std::vector<Series> eec;
    for (const char* name : {"EECRn", "EECTn"})
      if (present(name)) eec.push_back({name == std::string_view("EECRn") ? "EEC(Rn)" : "EEC(Tn)", name});
    if (eec.size() == 2) eec.push_back({std::string(kEecSumName), "", -1, true});
    chart(js, text("eec"), eec, Quantity::EecSum, true, "Bq/m3");
    std::vector<Series> flux;
    if (present("flux")) flux.push_back({"flux", "flux"});
    chart(js, text("flux"), flux, Quantity::RadonFlux, true, "mBq/(m2*s)");
    std::vector<Series> climate = {
        {text("temperature"), "", 0}, {text("humidity"), "", 1}, {text("pressure"), "", 2, false, true}};
    chart(js, text("climate"), climate, std::nullopt, false, "");
    js += "]";
    return js;
  }

 private:
  std::string text(std::string_view key) const { return std::string(reportText(in_.language, key)); }

  // One chart's data: time in ms and, per series, [low, value, high] or null.
  struct Series {
    std::string label;
    std::string name;  // of the NamedValue; empty: computed or climate
    int climate = -1;  // 0 temperature, 1 humidity, 2 pressure
    bool sum = false;  // the NRB sum
    bool secondAxis = false;
  };

  bool present(std::string_view name) const {
    for (const ReportRow& r : in_.rows)
      for (const NamedValue& q : r.quantities)
        if (q.name == name) return true;
    return false;
  }

  static const NamedValue* find(const ReportRow& r, std::string_view name) {
    for (const NamedValue& q : r.quantities)
      if (q.name == name) return &q;
    return nullptr;
  }

  // Writes one chart as a JSON object; false when it would have no data.
  bool chart(std::string& js, std::string_view title, const std::vector<Series>& series,
             std::optional<Quantity> levelsOf, bool bars, const char* yLabel) {
    if (series.empty()) return false;
    std::string rows;
    rows.reserve(in_.rows.size() * series.size() * 24);
    double high = 0;
    double low = 0;
    bool any = false;
    for (const ReportRow& r : in_.rows) {
      std::string line = "[";
      appendNumber(line, static_cast<double>(r.time) * 1000.0);
      bool rowHas = false;
      for (const Series& s : series) {
        std::optional<double> v;
        std::optional<double> e;
        if (s.climate >= 0) {
          v = s.climate == 0 ? r.temperature : s.climate == 1 ? r.humidity : r.pressure;
        } else if (s.sum) {
          const NamedValue* rn = find(r, "EECRn");
          const NamedValue* tn = find(r, "EECTn");
          if (rn && tn) {
            const Measured m = nrbSum({rn->value, rn->error.value_or(0)}, {tn->value, tn->error.value_or(0)});
            v = m.value;
            e = m.error;
          }
        } else if (const NamedValue* q = find(r, s.name)) {
          v = q->value;
          e = q->error;
        }
        line += ',';
        if (!v) {
          line += "null";
          continue;
        }
        rowHas = true;
        const double err = std::fabs(e.value_or(0));
        if (!s.secondAxis) {
          high = std::max(high, *v + err);
          low = std::min(low, *v - err);
        }
        if (bars) {
          line += '[';
          appendNumber(line, *v - err);
          line += ',';
          appendNumber(line, *v);
          line += ',';
          appendNumber(line, *v + err);
          line += ']';
        } else {
          appendNumber(line, *v);
        }
      }
      line += "],\n";
      if (rowHas) {
        rows += line;
        any = true;
      }
    }
    if (!any) return false;
    if (!rows.empty()) rows.resize(rows.size() - 2);
    std::string levels;
    for (const Norm* n : norms_) {
      if (!levelsOf || n->quantity != *levelsOf) continue;
      bool covered = false;
      for (const ReportRow& r : in_.rows) covered = covered || normCoversMode(*n, r.modeCode);
      if (!covered) continue;
      if (!levels.empty()) levels += ',';
      levels += "{\"label\":";
      appendJsonString(levels, std::string(n->name) + " " + std::to_string(static_cast<int>(n->level)));
      levels += ",\"value\":";
      appendNumber(levels, n->level);
      levels += '}';
      high = std::max(high, n->level);
    }
    if (js.size() > 1) js += ",\n";
    js += "{\"title\":";
    appendJsonString(js, title);
    js += ",\"ylabel\":";
    appendJsonString(js, yLabel);
    js += ",\"bars\":";
    js += bars ? "true" : "false";
    js += ",\"range\":[";
    appendNumber(js, low < 0 ? low * 1.08 : 0);
    js += ',';
    appendNumber(js, high > 0 ? high * 1.08 : 1);
    js += "],\"labels\":[\"t\"";
    for (const Series& s : series) {
      js += ',';
      appendJsonString(js, s.label);
    }
    js += "],\"y2\":[";
    bool firstY2 = true;
    for (const Series& s : series) {
      if (!s.secondAxis) continue;
      if (!firstY2) js += ',';
      firstY2 = false;
      appendJsonString(js, s.label);
    }
    js += "],\"levels\":[" + levels + "],\"rows\":[\n" + rows + "]}";
    return true;
  }

  const ReportInput& in_;
  const std::vector<const Norm*>& norms_;
};

}  // namespace

std::string reportDataJson(const ReportInput& in, const std::vector<VerdictRow>& verdicts) {
  std::string out = "{\"statistics\":[";
  for (std::size_t i = 0; i < in.statistics.size(); ++i) {
    const StatisticsRow& s = in.statistics[i];
    out += i ? ",\n{" : "\n{";
    out += "\"mode\":" + std::to_string(s.modeCode) + ",\"modeName\":";
    appendJsonString(out, s.modeName);
    out += ",\"quantity\":";
    appendJsonString(out, s.quantity);
    out += ",\"unit\":";
    appendJsonString(out, s.unit);
    out += ",\"count\":" + std::to_string(s.count) + ",\"first\":";
    appendJsonString(out, s.first);
    out += ",\"last\":";
    appendJsonString(out, s.last);
    const std::pair<const char*, double> numbers[] = {{"min", s.min},   {"max", s.max},
                                                       {"mean", s.mean}, {"uncertainty", s.uncertainty},
                                                       {"stddev", s.stddev}};
    for (const auto& [name, v] : numbers) {
      out += ",\"";
      out += name;
      out += "\":";
      appendNumber(out, v);
    }
    out += '}';
  }
  out += "],\"verdicts\":[";
  for (std::size_t i = 0; i < verdicts.size(); ++i) {
    const VerdictRow& v = verdicts[i];
    out += i ? ",\n{\"norm\":" : "\n{\"norm\":";
    appendJsonString(out, v.norm->name);
    out += ",\"level\":";
    appendNumber(out, v.norm->level);
    out += ",\"unit\":";
    appendJsonString(out, v.norm->unit);
    out += ",\"value\":";
    appendNumber(out, v.measured.value);
    out += ",\"error\":";
    appendNumber(out, v.measured.error);
    out += ",\"verdict\":";
    appendJsonString(out, verdictName(v.verdict));
    out += ",\"mode\":" + std::to_string(v.modeCode);
    if (v.mean) {
      out += ",\"covers\":\"mean\",\"count\":" + std::to_string(v.count);
    } else {
      const ReportRow& r = in.rows[static_cast<std::size_t>(v.row)];
      out += ",\"covers\":\"record\",\"file\":";
      appendJsonString(out, in.files[static_cast<std::size_t>(r.file)].name);
      out += ",\"index\":" + std::to_string(r.index) + ",\"dateTime\":";
      appendJsonString(out, r.dateTime);
    }
    out += '}';
  }
  out += "]}";
  return out;
}

std::string reportChartsJson(const ReportInput& input, const std::vector<const Norm*>& norms) {
  return Charts(input, norms).write();
}

}  // namespace zel::report
