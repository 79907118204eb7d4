// The JSON that the protocol's page carries: its numbers and verdicts for
// tools (kvd-report-data), and its charts' series (kvd-protocol-charts).
// Numbers keep every digit they have; NaN and the infinities never reach
// it (the means leave them out).
#include <algorithm>
#include <chrono>
#include <cmath>

#include "kvd/archive/protocol_page.h"
#include "kvd/export/writers.h"

namespace zel::archive::page {

namespace {

using nlohmann::json;
using report::Norm;

json optionalTime(const std::optional<cli::DateTime>& t) { return t ? json(cli::isoDateTimeText(*t)) : json(nullptr); }

json textOf(std::string_view s) { return cli::validUtf8(s); }

// A level's quantity: its mean, u and U; the verdict is the caller's.
json levelMeanJson(const LevelMean& m) {
  return {{"norm", m.norm->name},
          {"level", m.norm->level},
          {"unit", m.norm->unit},
          {"count", m.count},
          {"value", m.measured.value},
          {"uncertainty", m.measured.error},
          {"expanded", m.expanded},
          {"hasUncertainty", m.hasUncertainty}};
}

json verdictJson(const PointVerdict& v) {
  json out = levelMeanJson(v);
  out["verdict"] = report::verdictName(v.verdict);
  return out;
}

json pointJson(const PointResult& p) {
  json point = {{"floor", textOf(p.name.floor)},
                {"room", textOf(p.name.room)},
                {"point", textOf(p.name.point)},
                {"records", p.records.size()},
                {"first", optionalTime(p.first)},
                {"last", optionalTime(p.last)}};
  json& placements = point["placements"] = json::array();
  for (const Placement& pl : p.placements)
    placements.push_back(
        {{"device", pl.device}, {"from", cli::isoDateTimeText(pl.from)}, {"to", cli::isoDateTimeText(pl.to)}});
  json& means = point["means"] = json::array();
  for (const QuantityMean& m : p.means)
    means.push_back({{"key", m.key},
                     {"label", m.label},
                     {"unit", m.unit},
                     {"count", m.count},
                     {"nonFinite", m.nonFinite},
                     {"mean", m.mean},
                     {"uncertainty", m.uncertainty ? json(*m.uncertainty) : json(nullptr)},
                     {"expanded", m.expanded ? json(*m.expanded) : json(nullptr)}});
  json& conditions = point["conditions"] = json::array();
  for (const Condition& c : p.conditions)
    conditions.push_back(
        {{"quantity", c.key}, {"unit", cli::unitText(c.unit)}, {"count", c.count}, {"min", c.min}, {"max", c.max}});
  json& verdicts = point["verdicts"] = json::array();
  for (const PointVerdict& v : p.verdicts) verdicts.push_back(verdictJson(v));
  json& informative = point["informative"] = json::array();
  for (const LevelMean& m : p.informative) informative.push_back(levelMeanJson(m));
  json& outside = point["outsideVerification"] = json::array();
  for (const ProtocolRecord& r : p.records)
    if (r.verification != Verification::Valid) outside.push_back(r.id);
  return point;
}

json roomName(const RoomResult& room) { return {{"floor", textOf(room.floor)}, {"room", textOf(room.room)}}; }

// Milliseconds since 1970 of the instrument's clock, taken as UTC as the
// report's charts take it (the instrument keeps no zone).
double msOf(const cli::DateTime& t) {
  namespace c = std::chrono;
  const c::sys_days date{c::year{t.year} / c::month{t.month} / c::day{t.day}};
  const auto s = date.time_since_epoch() + c::hours{t.hour} + c::minutes{t.minute} + c::seconds{t.second};
  return static_cast<double>(c::duration_cast<c::milliseconds>(s).count());
}

bool isFluxUnit(std::string_view unit) { return unit.find("mBq") != std::string_view::npos; }

// A point's chart of the quantities in one unit, or null when it has none.
json chartOf(const Protocol& protocol, std::size_t index, bool flux) {
  const PointResult& p = protocol.points[index];
  std::vector<const QuantityMean*> series;
  for (const QuantityMean& m : p.means)
    if (isFluxUnit(m.unit) == flux && m.count > 0) series.push_back(&m);
  if (series.empty()) return nullptr;
  json labels = json::array({"t"});
  for (const QuantityMean* m : series) labels.push_back(quantityLabel(m->key, m->label, protocol.language));
  json rows = json::array();
  double low = 0, high = 0;
  for (const ProtocolRecord& r : p.records) {
    if (!r.dated) continue;
    json row = json::array({msOf(r.when)});
    bool any = false;
    for (const QuantityMean* m : series) {
      const ResultValue* v = nullptr;
      for (const ResultValue& each : r.results)
        if (each.key == m->key) v = &each;
      if (!v) {
        row.push_back(nullptr);
        continue;
      }
      any = true;
      const double e = std::fabs(v->error.value_or(0));
      low = std::min(low, v->value - e);
      high = std::max(high, v->value + e);
      row.push_back({v->value - e, v->value, v->value + e});
    }
    if (any) rows.push_back(std::move(row));
  }
  if (rows.empty()) return nullptr;
  json levels = json::array();
  for (const PointVerdict& v : p.verdicts) {
    if ((v.norm->quantity == report::Quantity::RadonFlux) != flux) continue;
    levels.push_back({{"label", std::string(normShortTitle(*v.norm, protocol.language)) + " " + levelText(v.norm->level)},
                      {"value", v.norm->level}});
    high = std::max(high, v.norm->level);
  }
  json placements = json::array();
  for (const Placement& pl : p.placements)
    if (cli::isCalendarDate(pl.from) && cli::isCalendarDate(pl.to)) placements.push_back({msOf(pl.from), msOf(pl.to)});
  // The chart spans the placements, or the records when none is on record;
  // records of a single instant get an hour either side, as a chart of no
  // width draws nothing.
  double first = rows.front()[0].get<double>(), last = first;
  for (const json& row : rows) {
    first = std::min(first, row[0].get<double>());
    last = std::max(last, row[0].get<double>());
  }
  for (const json& pl : placements) {
    first = std::min(first, pl[0].get<double>());
    last = std::max(last, pl[1].get<double>());
  }
  if (first == last) {
    constexpr double kHourMs = 3600e3;
    first -= kHourMs;
    last += kHourMs;
  }
  return {{"point", index},
          {"ylabel", unitLabel(series.front()->unit, protocol.language)},
          {"labels", labels},
          {"rows", rows},
          {"levels", levels},
          {"placements", placements},
          {"window", json::array({first, last})},
          {"range", {low < 0 ? low * 1.08 : 0, high > 0 ? high * 1.08 : 1}}};
}

}  // namespace

std::string scriptJson(const json& value) {
  const std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size() + 64);
  // '<' stands only inside strings in JSON text, where \u003c reads the same.
  for (char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

json protocolData(const Protocol& protocol) {
  const LabInfo& lab = protocol.lab;
  json data = {{"object",
                {{"name", textOf(protocol.object.name)},
                 {"address", textOf(protocol.object.address)},
                 {"client", textOf(protocol.object.client)},
                 {"notes", textOf(protocol.object.notes)},
                 {"kind", textOf(protocol.object.kind)}}},
               {"kind", textOf(protocol.object.kind)},
               {"language", protocol.language == report::Language::Ru ? "ru" : "en"},
               {"number", textOf(protocol.number)},
               {"draft", protocol.draft()},
               {"replaces", textOf(protocol.replaces)},
               {"reason", textOf(protocol.reason)},
               {"acceptedUnverified", protocol.acceptedUnverified},
               {"lab",
                {{"name", textOf(lab.name)},
                 {"address", textOf(lab.address)},
                 {"phone", textOf(lab.phone)},
                 {"email", textOf(lab.email)},
                 {"accreditation", textOf(lab.accreditation)},
                 {"accreditedUntil", textOf(lab.accreditedUntil)},
                 {"method", textOf(lab.method)},
                 {"decisionRule", textOf(lab.decisionRule)},
                 {"footer", textOf(lab.footer)}}},
               {"coverageFactor", protocol.coverageFactor},
               {"normative", protocol.normative.empty() ? json(nullptr) : json(protocol.normative.front()->name)},
               {"issued", textOf(protocol.issued)},
               {"first", optionalTime(protocol.first)},
               {"last", optionalTime(protocol.last)},
               {"records", protocol.records},
               {"outsideVerification", protocol.outsideVerification}};
  json& norms = data["norms"] = json::array();
  for (const auto& [which, normative] : {std::pair{&protocol.normative, true}, {&protocol.informative, false}})
    for (const Norm* n : *which)
      norms.push_back({{"name", n->name}, {"level", n->level}, {"unit", n->unit}, {"normative", normative}});
  // A draft is signed by no one yet.
  json& signers = data["signers"] = json::array();
  if (!protocol.draft())
    for (const Signer& s : protocol.signers)
    signers.push_back({{"login", textOf(s.login)}, {"name", textOf(s.name)}, {"position", textOf(s.position)}});
  json& devices = data["devices"] = json::array();
  for (const DeviceResult& d : protocol.devices)
    devices.push_back({{"number", d.info.number},
                       {"model", textOf(d.info.model)},
                       {"type", textOf(d.info.type)},
                       {"serial", textOf(d.info.serial.empty() ? std::to_string(d.info.number) : d.info.serial)},
                       {"statedError", textOf(d.info.statedError)},
                       {"certificate", textOf(d.info.certificate)},
                       {"verifiedFrom", textOf(d.info.verifiedFrom)},
                       {"verifiedUntil", textOf(d.info.verifiedUntil)},
                       {"onRecord", d.onRecord},
                       {"records", d.records},
                       {"outsideVerification", d.outsideVerification}});
  json& rooms = data["rooms"] = json::array();
  for (const RoomResult& room : protocol.rooms) {
    json r = roomName(room);
    json& verdicts = r["verdicts"] = json::array();
    for (const RoomVerdict& v : room.verdicts) {
      json each = verdictJson(v);
      each["pointsJudged"] = v.pointsJudged;
      verdicts.push_back(std::move(each));
    }
    json& points = r["points"] = json::array();
    for (std::size_t i : room.points) points.push_back(pointJson(protocol.points[i]));
    rooms.push_back(std::move(r));
  }
  json& apart = data["apart"] = json::array();
  for (const ProtocolRecord& r : protocol.apart)
    apart.push_back({{"id", r.id},
                     {"dateTime", r.dated ? json(cli::isoDateTimeText(r.when)) : json(nullptr)},
                     {"mode", r.mode},
                     {"device", r.device},
                     {"firstFile", textOf(r.firstFile)},
                     {"firstIndex", r.firstIndex},
                     {"verification", verificationName(r.verification)}});
  json& conclusion = data["conclusion"] = json::array();
  for (const LevelConclusion& c : protocol.conclusions) {
    json level = {{"norm", c.norm->name}};
    for (const auto& [name, list] : {std::pair{"above", &c.above}, {"inconclusive", &c.inconclusive}, {"below", &c.below}}) {
      json& rs = level[name] = json::array();
      for (std::size_t k : *list) rs.push_back(roomName(protocol.rooms[k]));
    }
    conclusion.push_back(std::move(level));
  }
  return data;
}

json protocolCharts(const Protocol& protocol) {
  json charts = json::array();
  for (std::size_t i = 0; i < protocol.points.size(); ++i)
    for (bool flux : {false, true})
      if (json c = chartOf(protocol, i, flux); !c.is_null()) charts.push_back(std::move(c));
  return charts;
}

}  // namespace zel::archive::page
