// The protocol's page: its template (kvd/web/protocol.html.mustache) filled
// with the protocol's texts and numbers. Every text of the user's reaches
// the page through a {{…}} tag, which escapes it; only the page's own
// style, scripts and JSON (whose '<' are escaped) go in unescaped.
#include <kainjow/mustache.hpp>

#include <set>
#include <stdexcept>

#include "kvd/archive/protocol_page.h"
#include "kvd/export/writers.h"
#include "kvd/report/web_assets.h"

namespace zel::archive {

namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;
using report::Language;

std::string str(std::string_view s) { return std::string(s); }
std::string userText(std::string_view s) { return cli::validUtf8(s); }

data list() { return data(data::type::list); }

// A key that a section tests: present only when the text is not empty.
void setIfAny(data& d, const std::string& key, const std::string& value) {
  if (!value.empty()) d.set(key, value);
}

class PageData {
 public:
  explicit PageData(const Protocol& p) : p_(p), lang_(p.language) {}

  data build() {
    data root;
    root.set("lang", lang_ == Language::Ru ? "ru" : "en");
    data t;
    for (const page::PageText& each : page::pageTexts()) t.set(str(each.key), str(lang_ == Language::Ru ? each.ru : each.en));
    root.set("t", t);
    data object;
    object.set("name", userText(p_.object.name));
    setIfAny(object, "address", userText(p_.object.address));
    setIfAny(object, "client", userText(p_.object.client));
    setIfAny(object, "notes", userText(p_.object.notes));
    root.set("object", object);
    setIfAny(root, "issued", userText(p_.issued));
    root.set("period", p_.first ? span(p_.first, p_.last) : str(page::text(lang_, "noRecords")));
    root.set("scopeText", page::countText(lang_, "roomsCount", p_.rooms.size()) + ", " +
                              page::countText(lang_, "pointsCount", p_.points.size()) + ", " +
                              page::countText(lang_, "recordsCount", p_.records));
    root.set("devices", devices());
    root.set("norms", norms());
    const nlohmann::json charts = page::protocolCharts(p_);
    chartsOf_.assign(p_.points.size(), {});
    for (std::size_t i = 0; i < charts.size(); ++i) chartsOf_[charts[i]["point"].get<std::size_t>()].push_back(i);
    root.set("rooms", rooms());
    conclusion(root);
    if (!p_.apart.empty()) {
      root.set("hasApart", true);
      data apart;
      apart.set("records", records(p_.apart));
      root.set("apart", apart);
    }
    root.set("style", str(report::kDygraphsStyle) + "\n" + str(report::kProtocolStyle));
    root.set("dygraphs", str(report::kDygraphsScript));
    root.set("script", str(report::kChartLevelsScript) + "\n" + str(report::kProtocolScript));
    root.set("dataJson", page::scriptJson(page::protocolData(p_)));
    root.set("chartsJson", page::scriptJson(charts));
    root.set("recordTable", str(report::kProtocolRecordsTemplate));
    return root;
  }

 private:
  std::string span(const std::optional<cli::DateTime>& first, const std::optional<cli::DateTime>& last) const {
    if (!first) return "\u2013";
    return cli::readableDateTimeText(*first) + " \u2013 " + cli::readableDateTimeText(*last);
  }

  std::string unit(std::string_view u) const { return page::unitLabel(u, lang_); }

  data devices() const {
    data out = list();
    for (const DeviceResult& d : p_.devices) {
      data row;
      row.set("number", std::to_string(d.info.number));
      row.set("model", d.onRecord ? userText(d.info.model) : str(page::text(lang_, "unknownModel")));
      row.set("certificate", userText(d.info.certificate));
      const bool verified = !d.info.verifiedFrom.empty() || !d.info.verifiedUntil.empty();
      row.set("validity", verified ? page::dayText(userText(d.info.verifiedFrom)) + " \u2013 " +
                                          page::dayText(userText(d.info.verifiedUntil))
                                    : str(page::verificationText(Verification::NotOnRecord, lang_)));
      row.set("span", span(d.first, d.last));
      row.set("records", std::to_string(d.records));
      row.set("outside", std::to_string(d.outsideVerification));
      row.set("warn", d.outsideVerification > 0);
      out.push_back(row);
    }
    return out;
  }

  data norms() const {
    data out = list();
    for (const report::Norm* n : p_.norms) {
      data row;
      row.set("name", str(page::normShortTitle(*n, lang_)));
      row.set("title", str(page::normTitle(*n, lang_)));
      row.set("level", page::levelText(n->level));
      row.set("unit", unit(n->unit));
      out.push_back(row);
    }
    return out;
  }

  data records(const std::vector<ProtocolRecord>& rs) const {
    data out = list();
    for (const ProtocolRecord& r : rs) {
      data row;
      row.set("date", r.date);
      row.set("time", r.time);
      row.set("mode", std::to_string(r.mode));
      row.set("modeName", page::modeName(r.mode, r.modeName, lang_));
      row.set("value", r.valueText);
      row.set("error", r.errorText);
      row.set("unit", unit(r.unit));
      std::string results;
      for (const ResultValue& v : r.results) {
        if (!results.empty()) results += "; ";
        results += page::quantityLabel(v.key, v.label, lang_) + " " + page::roundedText(v.value);
        if (v.error) results += " \u00B1 " + page::roundedText(*v.error);
      }
      row.set("results", results);
      row.set("device", std::to_string(r.device));
      row.set("id", std::to_string(r.id));
      row.set("file", userText(r.firstFile));
      row.set("index", std::to_string(r.firstIndex));
      row.set("outside", r.verification != Verification::Valid);
      row.set("verification", str(page::verificationText(r.verification, lang_)));
      out.push_back(row);
    }
    return out;
  }

  data point(std::size_t index) const {
    const PointResult& p = p_.points[index];
    data d;
    d.set("index", std::to_string(index));
    d.set("name", userText(p.name.point.empty() ? "\u2013" : p.name.point));
    data placements = list();
    for (const Placement& pl : p.placements) {
      data row;
      row.set("device", std::to_string(pl.device));
      row.set("from", cli::readableDateTimeText(pl.from));
      row.set("to", cli::readableDateTimeText(pl.to));
      placements.push_back(row);
    }
    d.set("placements", placements);
    d.set("hasPlacements", !p.placements.empty());
    data charts = list();
    for (std::size_t c : chartsOf_[index]) charts.push_back(std::to_string(c));
    d.set("charts", charts);
    d.set("hasCharts", !chartsOf_[index].empty());
    data means = list();
    for (const QuantityMean& m : p.means) {
      data row;
      row.set("label", page::quantityLabel(m.key, m.label, lang_));
      row.set("count", std::to_string(m.count));
      if (m.nonFinite > 0) row.set("leftOut", std::to_string(m.nonFinite));
      row.set("mean", m.count > 0 ? page::roundedText(m.mean) : "\u2013");
      row.set("uncertainty", m.uncertainty ? page::roundedText(*m.uncertainty) : str(page::text(lang_, "noUncertaintyShort")));
      row.set("unit", unit(m.unit));
      means.push_back(row);
    }
    d.set("means", means);
    d.set("hasMeans", !p.means.empty());
    data verdicts = list();
    bool anyNoUncertainty = false;
    for (const PointVerdict& v : p.verdicts) {
      data row;
      row.set("norm", str(page::normShortTitle(*v.norm, lang_)));
      row.set("count", std::to_string(v.count));
      row.set("value", page::roundedText(v.measured.value));
      row.set("error", page::roundedText(v.measured.error));
      row.set("noUncertainty", !v.hasUncertainty);
      anyNoUncertainty = anyNoUncertainty || !v.hasUncertainty;
      row.set("level", page::levelText(v.norm->level));
      row.set("unit", unit(v.norm->unit));
      row.set("verdictName", str(report::verdictName(v.verdict)));
      row.set("verdict", str(page::verdictText(v.verdict, lang_)));
      verdicts.push_back(row);
    }
    d.set("verdicts", verdicts);
    d.set("hasVerdicts", !p.verdicts.empty());
    d.set("anyNoUncertainty", anyNoUncertainty);
    d.set("recordCount", std::to_string(p.records.size()));
    d.set("records", records(p.records));
    return d;
  }

  data rooms() const {
    data out = list();
    for (std::size_t k = 0; k < p_.rooms.size(); ++k) {
      const RoomResult& room = p_.rooms[k];
      data d;
      d.set("index", std::to_string(k));
      d.set("title", userText(page::roomTitle(room, lang_)));
      data points = list();
      for (std::size_t i : room.points) points.push_back(point(i));
      d.set("points", points);
      data cells = list();
      for (const report::Norm* n : p_.norms) {
        data cell;
        const RoomVerdict* v = room.verdictOf(n);
        cell.set("verdictName", v ? str(report::verdictName(v->verdict)) : "none");
        cell.set("verdict", v ? str(page::verdictText(v->verdict, lang_)) : str(page::text(lang_, "noLevel")));
        cells.push_back(cell);
      }
      d.set("cells", cells);
      out.push_back(d);
    }
    return out;
  }

  std::string roomList(const std::vector<std::size_t>& rooms) const {
    std::string out;
    for (std::size_t k : rooms) out += (out.empty() ? "" : "; ") + userText(page::roomTitle(p_.rooms[k], lang_));
    return out;
  }

  void conclusion(data& root) const {
    std::set<std::size_t> above;
    data levels = list();
    for (const LevelConclusion& c : p_.conclusions) {
      data d;
      d.set("title", str(page::normTitle(*c.norm, lang_)));
      d.set("level", page::levelText(c.norm->level));
      d.set("unit", unit(c.norm->unit));
      d.set("judged", c.judgedAny());
      setIfAny(d, "aboveRooms", roomList(c.above));
      setIfAny(d, "inconclusiveRooms", roomList(c.inconclusive));
      setIfAny(d, "belowRooms", roomList(c.below));
      above.insert(c.above.begin(), c.above.end());
      levels.push_back(d);
    }
    root.set("conclusions", levels);
    root.set("conclusionLead", above.empty() ? str(page::text(lang_, "conclusionNone"))
                                             : str(page::text(lang_, "conclusionSome")) + ": " +
                                                   std::to_string(above.size()) + " " + str(page::text(lang_, "of")) + " " +
                                                   std::to_string(p_.rooms.size()));
    if (p_.outsideVerification > 0)
      root.set("outsideVerification", page::countText(lang_, "outsideNote", p_.outsideVerification));
  }

  const Protocol& p_;
  Language lang_;
  std::vector<std::vector<std::size_t>> chartsOf_;
};

}  // namespace

std::string protocolHtml(const Protocol& protocol) {
  mustache tmpl{str(report::kProtocolTemplate)};
  if (!tmpl.is_valid()) throw std::runtime_error("the protocol's template: " + tmpl.error_message());
  data root = PageData(protocol).build();
  std::string html = tmpl.render(root);
  if (!tmpl.is_valid()) throw std::runtime_error("the protocol's template: " + tmpl.error_message());
  return html;
}

void writeProtocolHtml(std::ostream& out, const ProtocolInput& input) {
  const std::string html = protocolHtml(computeProtocol(input));
  out.write(html.data(), static_cast<std::streamsize>(html.size()));
}

}  // namespace zel::archive
