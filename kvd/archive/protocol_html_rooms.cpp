// The protocol's results by room: per room its assessment against the
// normative levels, per point its period, conditions, means with u and U,
// verdicts and records; and the informative levels beside the points'
// means, with no verdict.
#include <cstdio>

#include "kvd/archive/protocol_page.h"
#include "kvd/archive/protocol_sections.h"
#include "kvd/export/writers.h"

namespace zel::archive::page {

namespace {

using report::Language;

std::string str(std::string_view s) { return std::string(s); }

// A level's mean with u and U, as the point's and the room's tables show it.
void setLevelMean(data& row, const LevelMean& m, Language lang) {
  row.set("norm", str(normShortTitle(*m.norm, lang)));
  row.set("count", std::to_string(m.count));
  row.set("value", roundedText(m.measured.value));
  row.set("u", roundedText(m.measured.error));
  row.set("U", roundedText(m.expanded));
  row.set("noUncertainty", !m.hasUncertainty);
  row.set("level", levelText(m.norm->level));
  row.set("unit", unitLabel(m.norm->unit, lang));
}

void setVerdict(data& row, const PointVerdict& v, Language lang) {
  setLevelMean(row, v, lang);
  row.set("verdictName", str(report::verdictName(v.verdict)));
  row.set("verdict", str(verdictText(v.verdict, lang)));
}

data conditionsData(const PointResult& p, Language lang) {
  data out = list();
  for (const Condition& c : p.conditions) {
    data row;
    row.set("label", str(text(lang, c.key)));
    row.set("min", levelText(c.min));
    row.set("max", levelText(c.max));
    row.set("count", std::to_string(c.count));
    row.set("unit", conditionUnit(c.unit, lang));
    out.push_back(row);
  }
  return out;
}

data meansData(const PointResult& p, Language lang) {
  data out = list();
  for (const QuantityMean& m : p.means) {
    data row;
    row.set("label", quantityLabel(m.key, m.label, lang));
    row.set("count", std::to_string(m.count));
    if (m.nonFinite > 0) row.set("leftOut", std::to_string(m.nonFinite));
    row.set("mean", m.count > 0 ? roundedText(m.mean) : "\u2013");
    const std::string none = str(text(lang, "noUncertaintyShort"));
    row.set("u", m.uncertainty ? roundedText(*m.uncertainty) : none);
    row.set("U", m.expanded ? roundedText(*m.expanded) : none);
    row.set("unit", unitLabel(m.unit, lang));
    out.push_back(row);
  }
  return out;
}

data pointData(const Protocol& protocol, std::size_t index, const std::vector<std::size_t>& charts) {
  const PointResult& p = protocol.points[index];
  const Language lang = protocol.language;
  data d;
  d.set("index", std::to_string(index));
  d.set("name", userText(p.name.point.empty() ? "\u2013" : p.name.point));
  d.set("period", p.first ? spanText(p.first, p.last) : str(text(lang, "noRecords")));
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
  data chartList = list();
  for (std::size_t c : charts) chartList.push_back(std::to_string(c));
  d.set("charts", chartList);
  d.set("hasCharts", !charts.empty());
  d.set("conditions", conditionsData(p, lang));
  d.set("hasConditions", !p.conditions.empty());
  d.set("means", meansData(p, lang));
  d.set("hasMeans", !p.means.empty());
  data verdicts = list();
  bool anyNoUncertainty = false;
  for (const PointVerdict& v : p.verdicts) {
    data row;
    setVerdict(row, v, lang);
    anyNoUncertainty = anyNoUncertainty || !v.hasUncertainty;
    verdicts.push_back(row);
  }
  d.set("verdicts", verdicts);
  d.set("hasVerdicts", !p.verdicts.empty());
  d.set("anyNoUncertainty", anyNoUncertainty);
  d.set("recordCount", std::to_string(p.records.size()));
  d.set("records", recordsData(protocol, p.records));
  return d;
}

}  // namespace

data recordsData(const Protocol& protocol, const std::vector<ProtocolRecord>& rs) {
  const Language lang = protocol.language;
  data out = list();
  for (const ProtocolRecord& r : rs) {
    data row;
    row.set("date", r.date);
    row.set("time", r.time);
    row.set("mode", std::to_string(r.mode));
    row.set("modeName", modeName(r.mode, r.modeName, lang));
    row.set("value", r.valueText);
    row.set("error", r.errorText);
    row.set("unit", unitLabel(r.unit, lang));
    std::string results;
    for (const ResultValue& v : r.results) {
      if (!results.empty()) results += "; ";
      results += quantityLabel(v.key, v.label, lang) + " " + roundedText(v.value);
      if (v.error) results += " \u00B1 " + roundedText(*v.error);
    }
    row.set("results", results);
    row.set("device", std::to_string(r.device));
    row.set("id", std::to_string(r.id));
    row.set("file", userText(r.firstFile));
    row.set("index", std::to_string(r.firstIndex));
    row.set("outside", r.verification != Verification::Valid);
    row.set("verification", str(verificationText(r.verification, lang)));
    out.push_back(row);
  }
  return out;
}

data roomsData(const Protocol& protocol, const std::vector<std::vector<std::size_t>>& chartsOf) {
  const Language lang = protocol.language;
  data out = list();
  for (std::size_t k = 0; k < protocol.rooms.size(); ++k) {
    const RoomResult& room = protocol.rooms[k];
    data d;
    d.set("index", std::to_string(k));
    d.set("title", userText(roomTitle(room, lang)));
    data points = list();
    for (std::size_t i : room.points) points.push_back(pointData(protocol, i, chartsOf[i]));
    d.set("points", points);
    data verdicts = list();
    for (const RoomVerdict& v : room.verdicts) {
      data row;
      setVerdict(row, v, lang);
      row.set("points", std::to_string(v.pointsJudged));
      verdicts.push_back(row);
    }
    d.set("verdicts", verdicts);
    d.set("hasVerdicts", !room.verdicts.empty());
    data cells = list();
    for (const report::Norm* n : protocol.normative) {
      data cell;
      const RoomVerdict* v = room.verdictOf(n);
      cell.set("verdictName", v ? str(report::verdictName(v->verdict)) : "none");
      cell.set("verdict", v ? str(verdictText(v->verdict, lang)) : str(text(lang, "noLevel")));
      cells.push_back(cell);
    }
    d.set("cells", cells);
    out.push_back(d);
  }
  return out;
}

data informativeData(const Protocol& protocol) {
  const Language lang = protocol.language;
  data rows = list();
  for (const RoomResult& room : protocol.rooms)
    for (std::size_t i : room.points) {
      const PointResult& p = protocol.points[i];
      if (p.informative.empty()) continue;
      const LevelMean& first = p.informative.front();
      data row;
      row.set("room", userText(roomTitle(room, lang)));
      row.set("point", userText(p.name.point.empty() ? "\u2013" : p.name.point));
      setLevelMean(row, first, lang);
      data shares = list();
      for (const report::Norm* n : protocol.informative) {
        const LevelMean* m = nullptr;
        for (const LevelMean& each : p.informative)
          if (each.norm == n) m = &each;
        char share[32] = "\u2013";
        if (m && n->level > 0) std::snprintf(share, sizeof share, "%.0f %%", m->measured.value / n->level * 100);
        data cell;
        cell.set("share", std::string(share));
        shares.push_back(cell);
      }
      row.set("shares", shares);
      rows.push_back(row);
    }
  return rows;
}

}  // namespace zel::archive::page
