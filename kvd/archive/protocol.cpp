#include "kvd/archive/protocol.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

#include "kvd/stats/stats.h"

namespace zel::archive {

namespace {

using cli::DateTime;
using cli::Number;
using report::Norm;
using report::Verdict;

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

const ResultValue* resultOf(const ProtocolRecord& r, std::string_view key) {
  for (const ResultValue& v : r.results)
    if (v.key == key) return &v;
  return nullptr;
}

// One quantity's mean over observations, by the statistics kvd stats gives.
struct MeanOf {
  cli::Statistics statistics;
  // No value: one that is NaN or infinite, left out of the mean.
  void add(const DateTime& when, std::optional<double> value, std::optional<double> error) {
    const Number v = Number::ofReal(value ? *value : std::nan(""));
    statistics.add({when, 0, v, error ? Number::ofReal(*error) : Number::none()});
  }
  std::optional<cli::ModeStatistics> result() const {
    const std::vector<cli::ModeStatistics> all = statistics.result();
    if (all.empty() || all.front().finiteCount() == 0) return std::nullopt;
    return all.front();
  }
};

std::vector<QuantityMean> meansOf(const PointResult& point, const std::vector<StoredRecord>& stored) {
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
    out.push_back({std::string(kMeanKeys[order]), s.label, s.unit, m.finiteCount(), m.nonFinite, m.mean.value_or(0),
                   m.meanUncertainty});
  }
  return out;
}

std::optional<PointVerdict> verdictOf(const Norm* norm, const PointResult& point,
                                      const std::vector<StoredRecord>& stored) {
  PointVerdict v;
  v.norm = norm;
  if (norm->quantity == report::Quantity::EecSum) {
    MeanOf rn, tn;
    for (const ProtocolRecord& r : point.records) {
      if (!report::normCoversMode(*norm, r.mode)) continue;
      const ResultValue* a = resultOf(r, "EECRn");
      const ResultValue* b = resultOf(r, "EECTn");
      if (!a || !b) continue;
      rn.add(r.when, a->value, a->error);
      tn.add(r.when, b->value, b->error);
    }
    const std::optional<cli::ModeStatistics> a = rn.result();
    const std::optional<cli::ModeStatistics> b = tn.result();
    if (!a || !b) return std::nullopt;
    v.count = a->finiteCount();
    v.hasUncertainty = a->meanUncertainty && b->meanUncertainty;
    v.measured = report::nrbSum({*a->mean, a->meanUncertainty.value_or(0)}, {*b->mean, b->meanUncertainty.value_or(0)});
  } else {
    // Radon of indoor air and the flux: the value the browser lists.
    MeanOf mean;
    for (std::size_t i = 0; i < point.records.size(); ++i) {
      const ProtocolRecord& r = point.records[i];
      if (!report::normCoversMode(*norm, r.mode)) continue;
      const cli::ListValue row = cli::listValue(stored[i].record, false);
      mean.add(r.when, finite(row.value), finite(row.error));
    }
    const std::optional<cli::ModeStatistics> m = mean.result();
    if (!m) return std::nullopt;
    v.count = m->finiteCount();
    v.hasUncertainty = m->meanUncertainty.has_value();
    v.measured = {*m->mean, m->meanUncertainty.value_or(0)};
  }
  v.verdict = report::judge(v.measured.value, v.measured.error, norm->level);
  return v;
}

// Above when any point is above; below when every judged point is below.
Verdict roomVerdict(const std::vector<Verdict>& points) {
  if (std::find(points.begin(), points.end(), Verdict::Above) != points.end()) return Verdict::Above;
  if (std::all_of(points.begin(), points.end(), [](Verdict v) { return v == Verdict::Below; })) return Verdict::Below;
  return Verdict::Inconclusive;
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
  p.norms = input.norms.empty() ? report::defaultNorms() : input.norms;

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
    d.info = d.onRecord ? *info->second : DeviceInfo{n, {}, {}, {}, {}};
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
    point.means = meansOf(point, stored);
    for (const Norm* norm : p.norms)
      if (std::optional<PointVerdict> v = verdictOf(norm, point, stored)) point.verdicts.push_back(*v);
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

  for (std::size_t k = 0; k < p.rooms.size(); ++k) {
    RoomResult& room = p.rooms[k];
    for (const Norm* norm : p.norms) {
      std::vector<Verdict> judged;
      for (std::size_t i : room.points)
        if (const PointVerdict* v = p.points[i].verdictOf(norm)) judged.push_back(v->verdict);
      if (judged.empty()) continue;
      room.verdicts.push_back({norm, roomVerdict(judged), judged.size()});
    }
  }
  for (const Norm* norm : p.norms) {
    LevelConclusion c;
    c.norm = norm;
    for (std::size_t k = 0; k < p.rooms.size(); ++k) {
      const RoomVerdict* v = p.rooms[k].verdictOf(norm);
      if (!v) continue;
      (v->verdict == Verdict::Above ? c.above : v->verdict == Verdict::Below ? c.below : c.inconclusive).push_back(k);
    }
    p.conclusions.push_back(std::move(c));
  }
  return p;
}

}  // namespace zel::archive
