#include "kvd/report/html_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "kvd/report/render.h"

namespace zel::report {

extern const std::string_view kDygraphsScript;
extern const std::string_view kDygraphsStyle;
extern const std::string_view kChartLevelsScript;

namespace {

constexpr double kBqPerPCiPerL = 37.0;  // 1 pCi/L = 37 Bq/m3
constexpr std::string_view kEecSumName = "EEC(Rn) + 4.6 EEC(Tn)";

// Every text of the report, in both languages (UTF-8).
struct Texts {
  const char* lang;
  const char* files;
  const char* device;
  const char* period;
  const char* recordsPerMode;
  const char* mode;
  const char* records;
  const char* charts;
  const char* chartHelp;
  const char* concentrations;
  const char* eec;
  const char* flux;
  const char* climate;
  const char* temperature;
  const char* humidity;
  const char* pressure;
  const char* statistics;
  const char* quantity;
  const char* count;
  const char* first;
  const char* last;
  const char* min;
  const char* max;
  const char* mean;
  const char* uncertainty;
  const char* stddev;
  const char* unit;
  const char* levels;
  const char* informative;
  const char* covers;
  const char* value;
  const char* error;
  const char* level;
  const char* verdict;
  const char* meanOf;
  const char* recordsJudged;
  const char* recordsAbove;
  const char* above;
  const char* below;
  const char* inconclusive;
  const char* noLevels;
  const char* dateTime;
  const char* file;
  const char* index;
  const char* marks;
  const char* pages;
  const char* page;
  const char* spectrum;
  const char* none;
  const char* noRecords;
};

constexpr Texts kEnglish{
    "en", "Files", "Device", "Period", "Records per mode", "Mode", "Records", "Charts",
    "Drag across a chart to zoom in on a period; double-click to see the whole period again. All charts follow.",
    "Radon and thoron concentration", "Equivalent equilibrium concentration (EEC)", "Radon flux from the soil",
    "Climate", "Temperature, °C", "Humidity, %", "Pressure, mmHg", "Statistics", "Quantity", "Count", "First",
    "Last", "Min", "Max", "Mean", "Uncertainty of the mean", "Standard deviation", "Unit", "Reference levels",
    "This section is informative. A formal assessment follows the applicable method of measurement and "
    "evaluation (annual averages, seasonal coefficients, the number and duration of measurements); single "
    "readings and period means are compared here with the levels as they stand.",
    "Covers", "Value", "Error", "Level", "Verdict", "mean of mode", "Records judged", "Records above the level",
    "above", "below", "inconclusive", "The files hold no records that a chosen level applies to.", "Date and time",
    "File", "Index", "Above", "Result pages", "Result page", "Spectrum", "none", "No records in the period."};

constexpr Texts kRussian{
    "ru", "Файлы", "Прибор", "Период", "Записей по режимам", "Режим", "Записи", "Графики",
    "Выделите мышью участок графика, чтобы увеличить период; двойной щелчок возвращает весь период. Все "
    "графики следуют за ним.",
    "Объёмная активность радона и торона", "Эквивалентная равновесная объёмная активность (ЭРОА)",
    "Плотность потока радона с поверхности грунта", "Микроклимат", "Температура, °C", "Влажность, %",
    "Давление, мм рт. ст.", "Статистика", "Величина", "Число", "Первая", "Последняя", "Минимум", "Максимум",
    "Среднее", "Неопределённость среднего", "Стандартное отклонение", "Единица", "Контрольные уровни",
    "Раздел носит информационный характер. Формальная оценка выполняется по применимой методике измерений "
    "и оценки (среднегодовые значения, сезонные коэффициенты, число и длительность измерений); здесь "
    "отдельные результаты и средние за период сравниваются с уровнями непосредственно.",
    "Охват", "Значение", "Погрешность", "Уровень", "Вывод", "среднее по режиму", "Оценено записей",
    "Записи выше уровня", "выше", "ниже", "не определено",
    "В файлах нет записей, к которым применим выбранный уровень.", "Дата и время", "Файл", "Номер", "Выше",
    "Страницы результатов", "Страница результата", "Спектр", "нет", "Нет записей за период."};

void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
}

// A JSON string inside a script element. Every '<' is written "\u003c": a
// text can then neither close the element ("</script>") nor, with "<!--"
// and "<script", make the browser read past its end.
void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || c == '<') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
}

// The shortest text that reads back as the same double: a stored integer
// stays that integer, a mean keeps every digit it has.
void appendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// A computed number (a mean, an uncertainty) for a reader: two decimals, or
// three significant digits below one. The data for tools keeps every digit.
void appendRounded(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "&ndash;";
    return;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, std::fabs(v) < 1 && v != 0 ? "%.3g" : "%.2f", v);
  out += buf;
}

bool isConcentrationUnit(std::string_view unit) { return unit == "Bq/m3"; }

class Writer {
 public:
  explicit Writer(const ReportInput& in)
      : in_(in), t_(in.language == Language::Ru ? kRussian : kEnglish), verdicts_(computeVerdicts(in)) {
    norms_ = in.norms.empty() ? defaultNorms() : in.norms;
    for (const VerdictRow& v : verdicts_)
      if (!v.mean && v.verdict == Verdict::Above) aboveByRow_[v.row].push_back(v.norm);
  }

  std::string write() {
    out_.reserve(kDygraphsScript.size() + in_.rows.size() * 900 + 65536);
    head();
    out_ += "<body data-charts=\"pending\">\n";
    header();
    charts();
    statistics();
    levels();
    records();
    pages();
    data();
    scripts();
    out_ += "</body>\n</html>\n";
    return std::move(out_);
  }

 private:
  void text(std::string_view s) { appendEscaped(out_, s); }

  const char* verdictText(Verdict v) const {
    return v == Verdict::Above ? t_.above : v == Verdict::Below ? t_.below : t_.inconclusive;
  }

  // A concentration, with its pCi/L beside it when asked for; a stored value
  // exactly, a computed one rounded.
  void value(double v, std::string_view unit, bool computed = false) {
    if (computed) {
      appendRounded(out_, v);
    } else {
      appendNumber(out_, v);
    }
    if (in_.units == Units::PCi && isConcentrationUnit(unit)) {
      out_ += " <span class=\"pci\">(";
      appendRounded(out_, v / kBqPerPCiPerL);
      out_ += ")</span>";
    }
  }
  void unitText(std::string_view unit) {
    text(unit);
    if (in_.units == Units::PCi && isConcentrationUnit(unit)) out_ += " (pCi/L)";
  }

  void head() {
    out_ += "<!DOCTYPE html>\n<html lang=\"";
    out_ += t_.lang;
    out_ +=
        "\">\n<head>\n<meta charset=\"utf-8\">\n"
        // Nothing may leave the page: a request of any kind is refused and
        // shows as an error in the browser's console.
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'unsafe-inline'; "
        "style-src 'unsafe-inline'; img-src data:\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    text(in_.title);
    out_ += "</title>\n<style>\n";
    out_ += kDygraphsStyle;
    out_ += R"css(
body { font-family: Arial, "Liberation Sans", Helvetica, sans-serif; margin: 24px; color: #111; }
h1 { font-size: 22px; margin: 0 0 8px; } h2 { font-size: 18px; margin: 28px 0 8px; border-bottom: 2px solid #ffaa00; }
table { border-collapse: collapse; font-size: 13px; } th, td { border: 1px solid #bbb; padding: 2px 6px; }
th { background: #ffffd8; text-align: left; } td.n { text-align: right; font-variant-numeric: tabular-nums; }
.chart { width: 100%; height: 260px; margin: 8px 0 4px; } .chart-title { font-weight: bold; margin-top: 14px; }
.help, .note { font-size: 13px; color: #444; max-width: 60em; } .note { border-left: 4px solid #ffaa00; padding-left: 8px; }
tr.above td { background: #ffe0dc; } .v-above { color: #b00000; font-weight: bold; } .v-below { color: #006000; }
.v-inconclusive { color: #8a6d00; } .pci { color: #555; } figure { margin: 12px 0; } svg { border: 1px solid #ccc; }
svg text { white-space: pre; }
.records { max-height: 480px; overflow-y: auto; display: inline-block; }
@media print {
  @page { size: A4; margin: 14mm; }
  body { margin: 0; } section { break-before: page; } section#charts { break-before: auto; }
  .help { display: none; } .records { max-height: none; overflow: visible; }
  tr, figure, .chart { break-inside: avoid; } .chart { width: 180mm; }
  figure svg { max-width: 180mm; height: auto; }
}
)css";
    out_ += "</style>\n</head>\n";
  }

  void header() {
    out_ += "<header>\n<h1>";
    text(in_.title);
    out_ += "</h1>\n<table class=\"meta\">\n<tr><th>";
    out_ += t_.files;
    out_ += "</th><td>";
    for (std::size_t i = 0; i < in_.files.size(); ++i) {
      if (i) out_ += "<br>";
      text(in_.files[i].name);
      out_ += " &mdash; ";
      out_ += t_.device;
      for (std::size_t d = 0; d < in_.files[i].devices.size(); ++d) {
        out_ += d ? ", " : " ";
        out_ += std::to_string(in_.files[i].devices[d]);
      }
    }
    out_ += "</td></tr>\n<tr><th>";
    out_ += t_.period;
    out_ += "</th><td>";
    if (in_.rows.empty()) {
      out_ += t_.noRecords;
    } else {
      text(in_.from.empty() ? in_.rows.front().dateTime : in_.from);
      out_ += " &ndash; ";
      text(in_.to.empty() ? in_.rows.back().dateTime : in_.to);
    }
    out_ += "</td></tr>\n<tr><th>";
    out_ += t_.recordsPerMode;
    out_ += "</th><td>";
    std::map<int, std::pair<std::string, std::size_t>> perMode;
    for (const ReportRow& r : in_.rows) {
      auto& m = perMode[r.modeCode];
      m.first = r.modeName;
      ++m.second;
    }
    bool firstMode = true;
    for (const auto& [code, m] : perMode) {
      if (!firstMode) out_ += "<br>";
      firstMode = false;
      out_ += std::to_string(code) + " ";
      text(m.first);
      out_ += ": " + std::to_string(m.second);
    }
    out_ += "</td></tr>\n</table>\n</header>\n";
  }

  // A section of its own print page, with its heading and, if given, a
  // paragraph of the class.
  void openSection(const char* id, const char* title, const char* paragraphClass = nullptr,
                   const char* paragraph = nullptr) {
    out_ += "<section id=\"";
    out_ += id;
    out_ += "\">\n<h2>";
    out_ += title;
    out_ += "</h2>\n";
    if (!paragraph) return;
    out_ += "<p class=\"";
    out_ += paragraphClass;
    out_ += "\">";
    out_ += paragraph;
    out_ += "</p>\n";
  }

  void charts() {
    openSection("charts", t_.charts, "help", t_.chartHelp);
    out_ += "<div id=\"chart-list\"></div>\n</section>\n";
  }

  void statistics() {
    openSection("statistics", t_.statistics);
    out_ += "<table id=\"statistics-table\">\n<tr>";
    for (const char* h : {t_.mode, t_.quantity, t_.unit, t_.count, t_.first, t_.last, t_.min, t_.max, t_.mean,
                          t_.uncertainty, t_.stddev})
      (out_ += "<th>") += h, out_ += "</th>";
    out_ += "</tr>\n";
    for (const StatisticsRow& s : in_.statistics) {
      out_ += "<tr data-mode=\"" + std::to_string(s.modeCode) + "\"><td>" + std::to_string(s.modeCode) + " ";
      text(s.modeName);
      out_ += "</td><td>";
      text(s.quantity);
      out_ += "</td><td>";
      unitText(s.unit);
      out_ += "</td><td class=\"n\">" + std::to_string(s.count) + "</td><td>";
      text(s.first);
      out_ += "</td><td>";
      text(s.last);
      out_ += "</td>";
      const std::pair<double, bool> numbers[] = {
          {s.min, false}, {s.max, false}, {s.mean, true}, {s.uncertainty, true}, {s.stddev, true}};
      for (const auto& [v, computed] : numbers) {
        out_ += "<td class=\"n\">";
        value(v, s.unit, computed);
        out_ += "</td>";
      }
      out_ += "</tr>\n";
    }
    out_ += "</table>\n</section>\n";
  }

  const char* normTitle(const Norm& n) const {
    return in_.language == Language::Ru ? n.titleRu.data() : n.titleEn.data();
  }

  void levels() {
    openSection("levels", t_.levels, "note", t_.informative);
    if (verdicts_.empty()) {
      out_ += "<p>";
      out_ += t_.noLevels;
      out_ += "</p>\n";
    }
    for (const Norm* n : norms_) {
      std::size_t counts[3] = {0, 0, 0};
      std::vector<const VerdictRow*> means, above;
      for (const VerdictRow& v : verdicts_) {
        if (v.norm != n) continue;
        if (v.mean) {
          means.push_back(&v);
        } else {
          ++counts[static_cast<int>(v.verdict)];
          if (v.verdict == Verdict::Above) above.push_back(&v);
        }
      }
      if (means.empty() && counts[0] + counts[1] + counts[2] == 0) continue;
      out_ += "<h3 data-norm=\"";
      text(n->name);
      out_ += "\">";
      out_ += normTitle(*n);
      out_ += ": ";
      appendNumber(out_, n->level);
      out_ += " ";
      unitText(n->unit);
      out_ += " <small>(";
      text(n->name);
      out_ += ")</small></h3>\n<table class=\"verdicts\">\n<tr><th>";
      for (const char* h : {t_.covers, t_.value, t_.error, t_.level, t_.verdict}) (out_ += h) += "</th><th>";
      out_.resize(out_.size() - 4);
      out_ += "</tr>\n";
      for (const VerdictRow* v : means) verdictLine(*v);
      out_ += "</table>\n<p>";
      out_ += t_.recordsJudged;
      out_ += ": ";
      out_ += std::to_string(counts[0] + counts[1] + counts[2]);
      const char* const names[] = {t_.above, t_.below, t_.inconclusive};
      for (int k = 0; k < 3; ++k) {
        out_ += k ? ", <span class=\"v-" : " &mdash; <span class=\"v-";
        out_ += verdictName(static_cast<Verdict>(k));
        out_ += "\">";
        out_ += names[k];
        out_ += ' ';
        out_ += std::to_string(counts[k]);
        out_ += "</span>";
      }
      out_ += "</p>\n";
      if (!above.empty()) {
        out_ += "<details><summary>";
        out_ += t_.recordsAbove;
        out_ += " (" + std::to_string(above.size()) + ")</summary>\n<table class=\"verdicts\">\n";
        for (const VerdictRow* v : above) verdictLine(*v);
        out_ += "</table></details>\n";
      }
    }
    out_ += "</section>\n";
  }

  void covers(const VerdictRow& v) {
    if (v.mean) {
      out_ += t_.meanOf;
      out_ += ' ';
      out_ += std::to_string(v.modeCode);
      out_ += " (n = ";
      out_ += std::to_string(v.count);
      out_ += ')';
    } else {
      const ReportRow& r = in_.rows[static_cast<std::size_t>(v.row)];
      text(in_.files[static_cast<std::size_t>(r.file)].name);
      out_ += ", #" + std::to_string(r.index) + ", ";
      text(r.dateTime);
    }
  }

  void verdictLine(const VerdictRow& v) {
    out_ += "<tr><td>";
    covers(v);
    out_ += "</td><td class=\"n\">";
    // A mean, and the NRB sum with its combined error, are computed.
    const bool computed = v.mean || v.norm->quantity == Quantity::EecSum;
    value(v.measured.value, v.norm->unit, computed);
    out_ += "</td><td class=\"n\">";
    value(v.measured.error, v.norm->unit, computed);
    out_ += "</td><td class=\"n\">";
    value(v.norm->level, v.norm->unit);
    out_ += "</td><td class=\"v-";
    out_ += verdictName(v.verdict);
    out_ += "\">";
    out_ += verdictText(v.verdict);
    out_ += "</td></tr>\n";
  }

  void records() {
    openSection("records", t_.records);
    out_ += "<div class=\"records\"><table id=\"records-table\">\n<tr>";
    for (const char* h : {t_.file, t_.index, t_.dateTime, t_.mode, t_.value, t_.error, t_.unit, t_.temperature,
                          t_.humidity, t_.pressure, t_.marks})
      (out_ += "<th>") += h, out_ += "</th>";
    out_ += "</tr>\n";
    for (std::size_t i = 0; i < in_.rows.size(); ++i) {
      const ReportRow& r = in_.rows[i];
      const auto above = aboveByRow_.find(static_cast<int>(i));
      out_ += above == aboveByRow_.end() ? "<tr>" : "<tr class=\"above\">";
      out_ += "<td>" + std::to_string(r.file + 1) + "</td><td class=\"n\">" + std::to_string(r.index) + "</td><td>";
      text(r.dateTime);
      out_ += "</td><td>" + std::to_string(r.modeCode) + " ";
      text(r.modeName);
      out_ += "</td><td class=\"n\">";
      if (r.value) value(*r.value, r.unit);
      out_ += "</td><td class=\"n\">";
      if (r.error) value(*r.error, r.unit);
      out_ += "</td><td>";
      text(r.unit);
      out_ += "</td>";
      for (const std::optional<double>& c : {r.temperature, r.humidity, r.pressure}) {
        out_ += "<td class=\"n\">";
        if (c) appendNumber(out_, *c);
        out_ += "</td>";
      }
      out_ += "<td>";
      if (above != aboveByRow_.end()) {
        for (std::size_t k = 0; k < above->second.size(); ++k) {
          out_ += k ? ", " : "&#9650; ";
          text(above->second[k]->name);
        }
      }
      out_ += "</td></tr>\n";
    }
    out_ += "</table></div>\n</section>\n";
  }

  void pages() {
    if (in_.pages.empty()) return;
    openSection("pages", t_.pages);
    for (const ReportPage& p : in_.pages) {
      out_ += "<figure class=\"page\"><figcaption>";
      text(p.caption);
      out_ += "</figcaption>\n";
      out_ += p.pageSvg.empty() ? std::string() : svgElement(p.pageSvg);
      out_ += p.spectrumSvg.empty() ? std::string() : svgElement(p.spectrumSvg);
      out_ += "</figure>\n";
    }
    out_ += "</section>\n";
  }

  void data() {
    out_ += "<script type=\"application/json\" id=\"kvd-report-data\">{\"statistics\":[";
    for (std::size_t i = 0; i < in_.statistics.size(); ++i) {
      const StatisticsRow& s = in_.statistics[i];
      out_ += i ? ",\n{" : "\n{";
      out_ += "\"mode\":" + std::to_string(s.modeCode) + ",\"modeName\":";
      appendJsonString(out_, s.modeName);
      out_ += ",\"quantity\":";
      appendJsonString(out_, s.quantity);
      out_ += ",\"unit\":";
      appendJsonString(out_, s.unit);
      out_ += ",\"count\":" + std::to_string(s.count) + ",\"first\":";
      appendJsonString(out_, s.first);
      out_ += ",\"last\":";
      appendJsonString(out_, s.last);
      const std::pair<const char*, double> numbers[] = {{"min", s.min},   {"max", s.max},
                                                         {"mean", s.mean}, {"uncertainty", s.uncertainty},
                                                         {"stddev", s.stddev}};
      for (const auto& [name, v] : numbers) {
        out_ += ",\"";
        out_ += name;
        out_ += "\":";
        appendNumber(out_, v);
      }
      out_ += '}';
    }
    out_ += "],\"verdicts\":[";
    for (std::size_t i = 0; i < verdicts_.size(); ++i) {
      const VerdictRow& v = verdicts_[i];
      out_ += i ? ",\n{\"norm\":" : "\n{\"norm\":";
      appendJsonString(out_, v.norm->name);
      out_ += ",\"level\":";
      appendNumber(out_, v.norm->level);
      out_ += ",\"unit\":";
      appendJsonString(out_, v.norm->unit);
      out_ += ",\"value\":";
      appendNumber(out_, v.measured.value);
      out_ += ",\"error\":";
      appendNumber(out_, v.measured.error);
      out_ += ",\"verdict\":";
      appendJsonString(out_, verdictName(v.verdict));
      out_ += ",\"mode\":" + std::to_string(v.modeCode);
      if (v.mean) {
        out_ += ",\"covers\":\"mean\",\"count\":" + std::to_string(v.count);
      } else {
        const ReportRow& r = in_.rows[static_cast<std::size_t>(v.row)];
        out_ += ",\"covers\":\"record\",\"file\":";
        appendJsonString(out_, in_.files[static_cast<std::size_t>(r.file)].name);
        out_ += ",\"index\":" + std::to_string(r.index) + ",\"dateTime\":";
        appendJsonString(out_, r.dateTime);
      }
      out_ += '}';
    }
    out_ += "]}</script>\n";
  }

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
  bool chart(std::string& js, const char* title, const std::vector<Series>& series, std::optional<Quantity> levelsOf,
             bool bars, const char* yLabel) {
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

  void scripts() {
    std::string js = "[";
    std::vector<Series> conc;
    for (const char* name : {"CRn", "CTn", "Qint"})
      if (present(name)) conc.push_back({name, name});
    chart(js, t_.concentrations, conc, Quantity::IndoorRadon, true, "Bq/m3");
    std::vector<Series> eec;
    for (const char* name : {"EECRn", "EECTn"})
      if (present(name)) eec.push_back({name == std::string_view("EECRn") ? "EEC(Rn)" : "EEC(Tn)", name});
    if (eec.size() == 2) eec.push_back({std::string(kEecSumName), "", -1, true});
    chart(js, t_.eec, eec, Quantity::EecSum, true, "Bq/m3");
    std::vector<Series> flux;
    if (present("flux")) flux.push_back({"flux", "flux"});
    chart(js, t_.flux, flux, Quantity::RadonFlux, true, "mBq/(m2*s)");
    std::vector<Series> climate = {{t_.temperature, "", 0}, {t_.humidity, "", 1}, {t_.pressure, "", 2, false, true}};
    chart(js, t_.climate, climate, std::nullopt, false, "");
    js += "]";
    // Its texts hold no '<' (appendJsonString), so it stays inside its element.
    out_ += "<script type=\"application/json\" id=\"kvd-chart-data\">";
    out_ += js;
    out_ += "</script>\n<script>\n";
    out_ += kDygraphsScript;
    out_ += "\n</script>\n<script>\n";
    out_ += kChartLevelsScript;
    out_ += "\n";
    out_ += R"js((function () {
  'use strict';
  var started = performance.now();
  var charts = JSON.parse(document.getElementById('kvd-chart-data').textContent);
  var list = document.getElementById('chart-list');
  var graphs = [], pending = charts.length, syncing = false;
  function done() {
    document.body.setAttribute('data-charts', 'drawn');
    document.body.setAttribute('data-chart-count', String(charts.length));
    document.body.setAttribute('data-chart-ms', String(Math.round(performance.now() - started)));
  }
  // One time axis for every chart: the whole period, whatever each chart's
  // own records span, and a zoom in one chart zooms them all.
  var first = Infinity, last = -Infinity;
  charts.forEach(function (c) {
    c.rows.forEach(function (r) { if (r[0] < first) first = r[0]; if (r[0] > last) last = r[0]; });
  });
  var full = first < last ? [first, last] : null;
  function follow(me) {
    if (syncing) return;
    syncing = true;
    var zoomed = me.isZoomed('x');
    var window = zoomed ? me.xAxisRange() : full;
    graphs.forEach(function (g) { if (g !== me || !zoomed) g.updateOptions({ dateWindow: window }); });
    syncing = false;
  }
  charts.forEach(function (c, i) {
    var title = document.createElement('div');
    title.className = 'chart-title';
    title.textContent = c.title;
    var box = document.createElement('div');
    box.className = 'chart';
    box.id = 'chart-' + i;
    list.appendChild(title);
    list.appendChild(box);
    var rows = c.rows.map(function (r) { r[0] = new Date(r[0]); return r; });
    var series = {};
    c.y2.forEach(function (name) { series[name] = { axis: 'y2' }; });
    var options = {
      labels: c.labels, labelsUTC: true, customBars: c.bars, series: series, ylabel: c.ylabel,
      dateWindow: full, valueRange: c.y2.length ? null : c.range, connectSeparatedPoints: false, drawPoints: rows.length < 400,
      legend: 'always', labelsSeparateLines: false, animatedZooms: false,
      axes: { y2: { independentTicks: true } },
      underlayCallback: function (ctx, area, g) { kvdDrawLevels(ctx, area, g, c.levels); },
      drawCallback: function (me, initial) {
        if (initial) {
          box.setAttribute('data-drawn', 'true');
          if (--pending === 0) done();
          return;
        }
        follow(me);
      }
    };
    graphs.push(new Dygraph(box, rows, options));
  });
  if (charts.length === 0) done();
})();
)js";
    out_ += "</script>\n";
  }

  const ReportInput& in_;
  const Texts& t_;
  std::vector<VerdictRow> verdicts_;
  std::vector<const Norm*> norms_;
  std::map<int, std::vector<const Norm*>> aboveByRow_;
  std::string out_;
};

const StatisticsRow* statisticsOf(const ReportInput& in, int mode, std::string_view quantity) {
  for (const StatisticsRow& s : in.statistics)
    if (s.modeCode == mode && (quantity.empty() || s.quantity == quantity)) return &s;
  return nullptr;
}

const NamedValue* named(const ReportRow& r, std::string_view name) {
  for (const NamedValue& q : r.quantities)
    if (q.name == name) return &q;
  return nullptr;
}

}  // namespace

std::vector<VerdictRow> computeVerdicts(const ReportInput& in) {
  const std::vector<const Norm*> norms = in.norms.empty() ? defaultNorms() : in.norms;
  std::vector<VerdictRow> out;
  for (const Norm* n : norms) {
    std::set<int> modes;
    std::vector<VerdictRow> records;
    for (std::size_t i = 0; i < in.rows.size(); ++i) {
      const ReportRow& r = in.rows[i];
      if (!normCoversMode(*n, r.modeCode)) continue;
      VerdictRow v{n, false, static_cast<int>(i), r.modeCode};
      if (n->quantity == Quantity::EecSum) {
        const NamedValue* rn = named(r, "EECRn");
        const NamedValue* tn = named(r, "EECTn");
        if (!rn || !tn) continue;
        v.measured = nrbSum({rn->value, rn->error.value_or(0)}, {tn->value, tn->error.value_or(0)});
      } else {
        if (!r.value) continue;
        v.measured = {*r.value, r.error.value_or(0)};
      }
      v.verdict = judge(v.measured.value, v.measured.error, n->level);
      modes.insert(r.modeCode);
      records.push_back(v);
    }
    for (int mode : modes) {
      VerdictRow v{n, true, -1, mode};
      if (n->quantity == Quantity::EecSum) {
        const StatisticsRow* rn = statisticsOf(in, mode, "EECRn");
        const StatisticsRow* tn = statisticsOf(in, mode, "EECTn");
        if (!rn || !tn) continue;
        v.count = std::min(rn->count, tn->count);
        v.measured = nrbSum({rn->mean, rn->uncertainty}, {tn->mean, tn->uncertainty});
      } else {
        const StatisticsRow* s = statisticsOf(in, mode, {});
        if (!s) continue;
        v.count = s->count;
        v.measured = {s->mean, s->uncertainty};
      }
      v.verdict = judge(v.measured.value, v.measured.error, n->level);
      out.push_back(v);
    }
    out.insert(out.end(), records.begin(), records.end());
  }
  return out;
}

std::string htmlReport(const ReportInput& input) { return Writer(input).write(); }

void writeHtmlReport(std::ostream& out, const ReportInput& input) {
  const std::string html = htmlReport(input);
  out.write(html.data(), static_cast<std::streamsize>(html.size()));
}

}  // namespace zel::report
