#include "kvd/archive/protocol.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

#include "common/mode_table.h"
#include "kvd/archive/protocol_levels.h"

namespace zel::archive {

namespace {

using cli::DateTime;
using cli::Number;
using levels::MeanOf;

// The results a point is measured for, in the order the protocol lists
// them: what the pages show as concentrations, EEC and flux (not the
// counts, times and coefficients of a record).
constexpr std::string_view kMeanKeys[] = {"CRn",   "CTn",    "Qint",    "Qn",    "EECRn", "EECTn",
                                          "EECsum", "flux", "Qwater", "Qsample", "Qsoil"};
constexpr std::string_view kEecSumKey = "EECsum";
constexpr std::string_view kEecSumLabel = "EEC(Rn) + 4.6 EEC(Tn)";

int meanOrder(std::string_view key) {
  const auto at = std::find(std::begin(kMeanKeys), std::end(kMeanKeys), key);
  return at == std::end(kMeanKeys) ? -1 : static_cast<int>(at - std::begin(kMeanKeys));
}

std::optional<double> finite(const Number& n) {
  if (!n.present() || !n.finite()) return std::nullopt;
  return n.toDouble();
}

// The results of a record that the protocol averages, finite ones only,
// and the NRB sum where both EEC values are there.
std::vector<ResultValue> resultValues(const MeasurementRecord& record) {
  std::vector<ResultValue> out;
  const ResultValue* rn = nullptr;
  const ResultValue* tn = nullptr;
  for (const cli::Quantity& q : cli::results(record)) {
    if (meanOrder(q.key) < 0) continue;
    const std::optional<double> v = finite(q.value);
    if (!v) continue;
    // Q(n) is named by its cycle count; the means of a point join every n.
    out.push_back({std::string(q.key), q.key == "Qn" ? "Q(n)" : q.label, *v, finite(q.error),
                   std::string(cli::unitText(q.unit))});
  }
  for (const ResultValue& r : out) {
    if (r.key == "EECRn") rn = &r;
    if (r.key == "EECTn") tn = &r;
  }
  if (rn && tn) {
    const report::Measured sum = report::nrbSum({rn->value, rn->error.value_or(0)}, {tn->value, tn->error.value_or(0)});
    std::optional<double> error;
    if (rn->error && tn->error) error = sum.error;
    out.push_back({std::string(kEecSumKey), std::string(kEecSumLabel), sum.value, error, rn->unit});
  }
  return out;
}

// The temperature, humidity and pressure, as the record's fields hold them,
// where its page shows them: not in modes 4 and 7, as the report has it.
void climate(const MeasurementRecord& record, ProtocolRecord& r) {
  const std::uint16_t mode = record.modeCode();
  if (mode == 4 || mode == 7 || !hasViewerProgram(mode)) return;
  for (const cli::FieldValue& f : cli::fieldValues(record)) {
    if (f.name == "temperature") r.temperature = finite(f.value);
    if (f.name == "humidity") r.humidity = finite(f.value);
    if (f.name == "pressure") r.pressure = finite(f.value);
  }
}

ProtocolRecord protocolRecord(const StoredRecord& stored, const std::map<std::uint32_t, const DeviceInfo*>& devices) {
  ProtocolRecord r;
  const cli::ListValue row = cli::listValue(stored.record);
  r.id = stored.id;
  r.when = cli::recordDateTime(stored.record);
  r.dated = cli::isCalendarDate(r.when);
  r.date = row.date;
  r.time = row.time;
  r.mode = row.mode;
  r.modeName = std::string(row.modeName);
  r.valueText = row.valueText;
  r.errorText = row.errorText;
  r.unit = std::string(cli::unitText(row.unit));
  r.device = stored.record.deviceNumber();
  r.firstFile = stored.firstFile;
  r.firstIndex = stored.firstIndex;
  const auto device = devices.find(r.device);
  r.verification = verificationOf(device == devices.end() ? nullptr : device->second, r.when);
  r.results = resultValues(stored.record);
  const cli::ListValue listed = cli::listValue(stored.record, false);
  r.listed = finite(listed.value);
  r.listedError = finite(listed.error);
  climate(stored.record, r);
  return r;
}

bool earlier(const ProtocolRecord& a, const ProtocolRecord& b) {
  if (a.dated != b.dated) return a.dated;
  if (a.dated && a.when != b.when) return a.when < b.when;
  return a.id < b.id;
}

void widen(std::optional<DateTime>& first, std::optional<DateTime>& last, const DateTime& t) {
  if (!first || t < *first) first = t;
  if (!last || *last < t) last = t;
}

std::vector<QuantityMean> meansOf(const PointResult& point, const std::vector<StoredRecord>& stored, double k) {
  struct Slot {
    std::string label;
    std::string unit;
    MeanOf mean;
  };
  std::map<int, Slot> slots;
  for (std::size_t i = 0; i < point.records.size(); ++i) {
    const ProtocolRecord& r = point.records[i];
    for (const ResultValue& v : r.results) {
      Slot& s = slots[meanOrder(v.key)];
      s.label = v.label;
      s.unit = v.unit;
      s.mean.add(r.when, v.value, v.error);
    }
    // A result that the record's page shows but whose value is NaN or
    // infinite is counted as left out.
    for (const cli::Quantity& q : cli::results(stored[i].record)) {
      const int order = meanOrder(q.key);
      if (order < 0 || !q.value.present() || q.value.finite()) continue;
      Slot& s = slots[order];
      s.label = q.key == "Qn" ? "Q(n)" : q.label;
      s.unit = std::string(cli::unitText(q.unit));
      s.mean.add(r.when, std::nullopt, finite(q.error));
    }
  }
  std::vector<QuantityMean> out;
  for (const auto& [order, s] : slots) {
    const std::vector<cli::ModeStatistics> all = s.mean.statistics.result();
    const cli::ModeStatistics& m = all.front();
    std::optional<double> expanded;
    if (m.meanUncertainty) expanded = k * *m.meanUncertainty;
    out.push_back({std::string(kMeanKeys[order]), s.label, s.unit, m.finiteCount(), m.nonFinite, m.mean.value_or(0),
                   m.meanUncertainty, expanded});
  }
  return out;
}

std::vector<Condition> conditionsOf(const PointResult& point) {
  std::vector<Condition> out;
  const auto take = [&](const char* key, cli::Unit unit, std::optional<double> ProtocolRecord::*field) {
    Condition c{key, unit};
    for (const ProtocolRecord& r : point.records) {
      const std::optional<double> v = r.*field;
      if (!v) continue;
      c.min = c.count == 0 ? *v : std::min(c.min, *v);
      c.max = c.count == 0 ? *v : std::max(c.max, *v);
      ++c.count;
    }
    if (c.count > 0) out.push_back(c);
  };
  take("temperature", cli::Unit::Celsius, &ProtocolRecord::temperature);
  take("humidity", cli::Unit::Percent, &ProtocolRecord::humidity);
  take("pressure", cli::Unit::MmHg, &ProtocolRecord::pressure);
  return out;
}

void countDevices(Protocol& p, const std::vector<ProtocolRecord*>& all) {
  std::map<std::uint32_t, DeviceResult*> byNumber;
  for (DeviceResult& d : p.devices) byNumber[d.info.number] = &d;
  for (const ProtocolRecord* r : all) {
    DeviceResult& d = *byNumber.at(r->device);
    ++d.records;
    if (r->verification != Verification::Valid) ++d.outsideVerification;
    if (r->dated) widen(d.first, d.last, r->when);
  }
}

}  // namespace

const PointVerdict* PointResult::verdictOf(const report::Norm* norm) const {
  for (const PointVerdict& v : verdicts)
    if (v.norm == norm) return &v;
  return nullptr;
}

const RoomVerdict* RoomResult::verdictOf(const report::Norm* norm) const {
  for (const RoomVerdict& v : verdicts)
    if (v.norm == norm) return &v;
  return nullptr;
}

Verification verificationOf(const DeviceInfo* device, const DateTime& when) {
  if (device == nullptr) return Verification::NotOnRecord;
  DateTime from, until;
  const bool hasFrom = cli::parsePeriodBound(device->verifiedFrom, false, from);
  const bool hasUntil = cli::parsePeriodBound(device->verifiedUntil, true, until);
  if (!hasFrom && !hasUntil) return Verification::NotOnRecord;
  if (!cli::isCalendarDate(when)) return Verification::Undated;
  if ((hasFrom && when < from) || (hasUntil && until < when)) return Verification::Outside;
  return Verification::Valid;
}

Protocol computeProtocol(const ProtocolInput& input) {
  Protocol p;
  p.object = input.object;
  p.language = input.language;
  p.issued = input.issued;
  p.lab = input.lab;
  p.number = input.number;
  p.signers = input.signers;
  p.replaces = input.replaces;
  p.reason = input.reason;
  p.acceptedUnverified = input.acceptedUnverified;
  p.coverageFactor = input.lab.coverageFactor;
  p.normative = {report::normativeNorm(input.object.kind)};
  for (const report::Norm* n : input.norms.empty() ? report::informativeNorms() : input.norms)
    if (n->informative) p.informative.push_back(n);

  // Every device the object names or whose records it holds.
  std::map<std::uint32_t, const DeviceInfo*> known;
  for (const DeviceInfo& d : input.devices) known.emplace(d.number, &d);
  std::set<std::uint32_t> numbers;
  for (const DeviceInfo& d : input.devices) numbers.insert(d.number);
  for (const ProtocolPoint& point : input.points) {
    for (const Placement& pl : point.placements) numbers.insert(pl.device);
    for (const StoredRecord& r : point.records) numbers.insert(r.record.deviceNumber());
  }
  for (const StoredRecord& r : input.apart) numbers.insert(r.record.deviceNumber());
  for (std::uint32_t n : numbers) {
    DeviceResult d;
    const auto info = known.find(n);
    d.onRecord = info != known.end();
    d.info.number = n;
    if (d.onRecord) d.info = *info->second;
    p.devices.push_back(d);
  }

  std::vector<ProtocolRecord*> all;
  std::map<std::pair<std::string, std::string>, std::size_t> roomIndex;
  p.points.reserve(input.points.size());
  for (const ProtocolPoint& in : input.points) {
    PointResult point;
    point.name = in.name;
    point.placements = in.placements;
    // Sorted together with the stored records they come from.
    std::vector<std::pair<ProtocolRecord, const StoredRecord*>> rows;
    for (const StoredRecord& r : in.records) rows.emplace_back(protocolRecord(r, known), &r);
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return earlier(a.first, b.first); });
    std::vector<StoredRecord> stored;
    for (auto& [row, source] : rows) {
      if (row.dated) widen(point.first, point.last, row.when);
      point.records.push_back(std::move(row));
      stored.push_back(*source);
    }
    point.means = meansOf(point, stored, p.coverageFactor);
    point.conditions = conditionsOf(point);
    if (point.first) widen(p.first, p.last, *point.first);
    if (point.last) widen(p.first, p.last, *point.last);
    p.records += point.records.size();

    const auto key = std::make_pair(in.name.floor, in.name.room);
    auto [room, fresh] = roomIndex.try_emplace(key, p.rooms.size());
    if (fresh) p.rooms.push_back({in.name.floor, in.name.room, {}, {}});
    p.rooms[room->second].points.push_back(p.points.size());
    p.points.push_back(std::move(point));
  }
  for (PointResult& point : p.points)
    for (ProtocolRecord& r : point.records) all.push_back(&r);

  for (const StoredRecord& r : input.apart) p.apart.push_back(protocolRecord(r, known));
  std::stable_sort(p.apart.begin(), p.apart.end(), earlier);
  for (ProtocolRecord& r : p.apart) all.push_back(&r);
  countDevices(p, all);
  for (const ProtocolRecord* r : all)
    if (r->verification != Verification::Valid) ++p.outsideVerification;

  // The flux level where the object has flux records to judge.
  const report::Norm* flux = report::findNorm("flux");
  for (const PointResult& point : p.points)
    for (const ProtocolRecord& r : point.records)
      if (report::normCoversMode(*flux, r.mode) && p.normative.back() != flux) p.normative.push_back(flux);
  levels::assess(p);
  return p;
}

}  // namespace zel::archive
