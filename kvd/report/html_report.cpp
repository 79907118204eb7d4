// The report's page: its template (kvd/web/report.html.mustache) filled with
// the report's texts and numbers. Every text of the user's and of the files
// reaches the page through a {{…}} tag, which escapes it; only the page's own
// style, scripts, pictures, JSON (whose '<' are escaped) and number texts go
// in unescaped.
#include "kvd/report/html_report.h"

#include <kainjow/mustache.hpp>

#include <map>
#include <stdexcept>
#include <string_view>

#include "kvd/report/render.h"
#include "kvd/report/report_format.h"
#include "kvd/report/report_json.h"
#include "kvd/report/report_texts.h"
#include "kvd/report/web_assets.h"

namespace zel::report {

namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

constexpr double kBqPerPCiPerL = 37.0;  // 1 pCi/L = 37 Bq/m3

std::string str(std::string_view s) { return std::string(s); }

// A template, escaping as the report always has (an apostrophe as &#39;).
mustache compiled(std::string_view text) {
  mustache tmpl{str(text)};
  if (!tmpl.is_valid()) throw std::runtime_error("the report's template: " + tmpl.error_message());
  tmpl.set_custom_escape(escaped);
  return tmpl;
}

void renderInto(mustache& tmpl, const data& d, std::string& out) {
  tmpl.render(d, [&out](const std::string& text) { out += text; });
  if (!tmpl.is_valid()) throw std::runtime_error("the report's template: " + tmpl.error_message());
}
data list() { return data(data::type::list); }

bool isConcentrationUnit(std::string_view unit) { return unit == "Bq/m3"; }

class PageData {
 public:
  explicit PageData(const ReportInput& in)
      : in_(in), verdicts_(computeVerdicts(in)), norms_(in.norms.empty() ? defaultNorms() : in.norms) {
    for (const VerdictRow& v : verdicts_)
      if (!v.mean && v.verdict == Verdict::Above) aboveByRow_[v.row].push_back(v.norm);
  }

  data build() {
    data root;
    root.set("lang", in_.language == Language::Ru ? "ru" : "en");
    data t;
    for (const ReportText& each : reportTexts())
      t.set(str(each.key), str(in_.language == Language::Ru ? each.ru : each.en));
    root.set("t", t);
    root.set("title", in_.title);
    header(root);
    // Moved in, not copied: the records' rows and the JSON are the bulk.
    root["statistics"] = statistics();
    root.set("anyVerdicts", !verdicts_.empty());
    root["norms"] = norms();
    root["recordRows"] = data(recordRows());
    root.set("anyPages", !in_.pages.empty());
    root["pages"] = pages();
    root["dataJson"] = data(reportDataJson(in_, verdicts_));
    root["chartsJson"] = data(reportChartsJson(in_, norms_));
    root.set("dygraphsStyle", str(kDygraphsStyle));
    root.set("style", str(kReportStyle));
    root.set("dygraphs", str(kDygraphsScript));
    root.set("chartLevels", str(kChartLevelsScript));
    root.set("script", str(kReportScript));
    return root;
  }

 private:
  bool pci(std::string_view unit) const { return in_.units == Units::PCi && isConcentrationUnit(unit); }

  // A concentration, with its pCi/L beside it when asked for; a stored value
  // exactly, a computed one rounded.
  data value(double v, std::string_view unit, bool computed = false) const {
    data out;
    out.set("text", computed ? roundedText(v) : numberText(v));
    if (pci(unit)) out.set("pci", roundedText(v / kBqPerPCiPerL));
    return out;
  }

  // The same as `value`, as two keys of a row: KEY and KEYPci.
  void setValue(data& row, const std::string& key, double v, std::string_view unit, bool computed = false) const {
    row.set(key, computed ? roundedText(v) : numberText(v));
    if (pci(unit)) row.set(key + "Pci", roundedText(v / kBqPerPCiPerL));
  }

  void header(data& root) const {
    data files = list();
    for (std::size_t i = 0; i < in_.files.size(); ++i) {
      data file;
      file.set("first", i == 0);
      file.set("name", in_.files[i].name);
      data devices = list();
      for (std::size_t d = 0; d < in_.files[i].devices.size(); ++d) {
        data device;
        device.set("first", d == 0);
        device.set("number", std::to_string(in_.files[i].devices[d]));
        devices.push_back(device);
      }
      file.set("devices", devices);
      files.push_back(file);
    }
    root.set("files", files);
    if (!in_.rows.empty()) {
      data period;
      period.set("from", in_.from.empty() ? in_.rows.front().dateTime : in_.from);
      period.set("to", in_.to.empty() ? in_.rows.back().dateTime : in_.to);
      root.set("period", period);
    }
    std::map<int, std::pair<std::string, std::size_t>> perMode;
    for (const ReportRow& r : in_.rows) {
      auto& m = perMode[r.modeCode];
      m.first = r.modeName;
      ++m.second;
    }
    data modes = list();
    for (const auto& [code, m] : perMode) {
      data mode;
      mode.set("first", modes.list_value().empty());
      mode.set("code", std::to_string(code));
      mode.set("name", m.first);
      mode.set("count", std::to_string(m.second));
      modes.push_back(mode);
    }
    root.set("modes", modes);
  }

  data statistics() const {
    data out = list();
    for (const StatisticsRow& s : in_.statistics) {
      data row;
      row.set("code", std::to_string(s.modeCode));
      row.set("modeName", s.modeName);
      row.set("quantity", s.quantity);
      row.set("unit", s.unit);
      row.set("pciUnit", pci(s.unit));
      row.set("count", std::to_string(s.count));
      row.set("first", s.first);
      row.set("last", s.last);
      data numbers = list();
      for (const auto& [v, computed] : {std::pair{s.min, false}, {s.max, false}, {s.mean, true},
                                        {s.uncertainty, true}, {s.stddev, true}})
        numbers.push_back(value(v, s.unit, computed));
      row.set("numbers", numbers);
      out.push_back(row);
    }
    return out;
  }

  // One verdict's row of a norm's table.
  void verdictRow(mustache& tmpl, const VerdictRow& v, std::string& out) const {
    data row;
    row.set("mean", v.mean);
    if (v.mean) {
      row.set("meanOf", str(reportText(in_.language, "meanOf")));
      row.set("code", std::to_string(v.modeCode));
      row.set("count", std::to_string(v.count));
    } else {
      const ReportRow& r = in_.rows[static_cast<std::size_t>(v.row)];
      row.set("file", in_.files[static_cast<std::size_t>(r.file)].name);
      row.set("index", std::to_string(r.index));
      row.set("dateTime", r.dateTime);
    }
    // A mean, and the NRB sum with its combined error, are computed.
    const bool computed = v.mean || v.norm->quantity == Quantity::EecSum;
    setValue(row, "value", v.measured.value, v.norm->unit, computed);
    setValue(row, "error", v.measured.error, v.norm->unit, computed);
    setValue(row, "level", v.norm->level, v.norm->unit);
    row.set("verdictName", str(verdictName(v.verdict)));
    row.set("verdict", str(verdictWord(in_.language, v.verdict)));
    renderInto(tmpl, row, out);
  }

  // Each norm that judged anything: its means, the count of its records'
  // verdicts, and the records above it (a row each, rendered as the
  // records' rows are: there may be thousands).
  data norms() const {
    mustache tmpl = compiled(kReportVerdictTemplate);
    data out = list();
    for (const Norm* n : norms_) {
      std::size_t counts[3] = {0, 0, 0};
      std::string means, above;
      for (const VerdictRow& v : verdicts_) {
        if (v.norm != n) continue;
        if (v.mean) {
          verdictRow(tmpl, v, means);
        } else {
          ++counts[static_cast<int>(v.verdict)];
          if (v.verdict == Verdict::Above) verdictRow(tmpl, v, above);
        }
      }
      if (means.empty() && counts[0] + counts[1] + counts[2] == 0) continue;
      data norm;
      norm.set("name", str(n->name));
      norm.set("title", str(in_.language == Language::Ru ? n->titleRu : n->titleEn));
      norm.set("level", numberText(n->level));
      norm.set("unit", str(n->unit));
      norm.set("pciUnit", pci(n->unit));
      norm.set("meansRows", means);
      norm.set("judged", std::to_string(counts[0] + counts[1] + counts[2]));
      norm.set("aboveCount", std::to_string(counts[static_cast<int>(Verdict::Above)]));
      norm.set("belowCount", std::to_string(counts[static_cast<int>(Verdict::Below)]));
      norm.set("inconclusiveCount", std::to_string(counts[static_cast<int>(Verdict::Inconclusive)]));
      norm.set("anyAbove", !above.empty());
      norm.set("aboveRows", above);
      out.push_back(norm);
    }
    return out;
  }

  // The records' table, its template rendered once a record: a report holds
  // a row for every record, and a data tree of them all costs many times
  // their text.
  std::string recordRows() const {
    mustache tmpl = compiled(kReportRecordTemplate);
    std::string out;
    out.reserve(in_.rows.size() * 200);
    for (std::size_t i = 0; i < in_.rows.size(); ++i) {
      const ReportRow& r = in_.rows[i];
      data row;
      row.set("file", std::to_string(r.file + 1));
      row.set("index", std::to_string(r.index));
      row.set("dateTime", r.dateTime);
      row.set("code", std::to_string(r.modeCode));
      row.set("modeName", r.modeName);
      if (r.value) setValue(row, "value", *r.value, r.unit);
      if (r.error) setValue(row, "error", *r.error, r.unit);
      row.set("unit", r.unit);
      if (r.temperature) row.set("temperature", numberText(*r.temperature));
      if (r.humidity) row.set("humidity", numberText(*r.humidity));
      if (r.pressure) row.set("pressure", numberText(*r.pressure));
      const auto above = aboveByRow_.find(static_cast<int>(i));
      row.set("isAbove", above != aboveByRow_.end());
      if (above != aboveByRow_.end()) {
        data marks = list();
        for (std::size_t k = 0; k < above->second.size(); ++k) {
          data mark;
          mark.set("first", k == 0);
          mark.set("name", str(above->second[k]->name));
          marks.push_back(mark);
        }
        row.set("marks", marks);
      }
      renderInto(tmpl, row, out);
    }
    return out;
  }

  data pages() const {
    data out = list();
    for (const ReportPage& p : in_.pages) {
      data page;
      page.set("caption", p.caption);
      page.set("pageSvg", p.pageSvg.empty() ? std::string() : svgElement(p.pageSvg));
      page.set("spectrumSvg", p.spectrumSvg.empty() ? std::string() : svgElement(p.spectrumSvg));
      out.push_back(page);
    }
    return out;
  }

  const ReportInput& in_;
  std::vector<VerdictRow> verdicts_;
  std::vector<const Norm*> norms_;
  std::map<int, std::vector<const Norm*>> aboveByRow_;
};

}  // namespace

std::string htmlReport(const ReportInput& input) {
  mustache tmpl = compiled(kReportTemplate);
  const data root = PageData(input).build();
  std::string html;
  html.reserve(kDygraphsScript.size() + input.rows.size() * 900 + 65536);
  renderInto(tmpl, root, html);
  return html;
}

void writeHtmlReport(std::ostream& out, const ReportInput& input) {
  const std::string html = htmlReport(input);
  out.write(html.data(), static_cast<std::streamsize>(html.size()));
}

}  // namespace zel::report
