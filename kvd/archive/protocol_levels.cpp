// The levels of a protocol: per point and per room the mean of what each
// level is compared with, its u and U = k·u; the verdicts of the normative
// levels and the conclusion they make; the informative levels' means, which
// no verdict names.
#include "kvd/archive/protocol_levels.h"

#include <string_view>

namespace zel::archive::levels {

namespace {

using report::Norm;
using report::Verdict;

const ResultValue* resultOf(const ProtocolRecord& r, std::string_view key) {
  for (const ResultValue& v : r.results)
    if (v.key == key) return &v;
  return nullptr;
}

// The level's quantity over the records it judges, or nothing when it
// judges none of them.
std::optional<LevelMean> levelMean(const Norm* norm, const std::vector<const ProtocolRecord*>& records, double k) {
  LevelMean m;
  m.norm = norm;
  if (norm->quantity == report::Quantity::EecSum) {
    MeanOf rn, tn;
    for (const ProtocolRecord* r : records) {
      if (!report::normCoversMode(*norm, r->mode)) continue;
      const ResultValue* a = resultOf(*r, "EECRn");
      const ResultValue* b = resultOf(*r, "EECTn");
      if (!a || !b) continue;
      rn.add(r->when, a->value, a->error);
      tn.add(r->when, b->value, b->error);
    }
    const std::optional<cli::ModeStatistics> a = rn.result();
    const std::optional<cli::ModeStatistics> b = tn.result();
    if (!a || !b) return std::nullopt;
    m.count = a->finiteCount();
    m.hasUncertainty = a->meanUncertainty && b->meanUncertainty;
    m.measured = report::nrbSum({*a->mean, a->meanUncertainty.value_or(0)}, {*b->mean, b->meanUncertainty.value_or(0)});
  } else {
    // Radon of indoor air and the flux: the value the browser lists.
    MeanOf mean;
    for (const ProtocolRecord* r : records)
      if (report::normCoversMode(*norm, r->mode)) mean.add(r->when, r->listed, r->listedError);
    const std::optional<cli::ModeStatistics> s = mean.result();
    if (!s) return std::nullopt;
    m.count = s->finiteCount();
    m.hasUncertainty = s->meanUncertainty.has_value();
    m.measured = {*s->mean, s->meanUncertainty.value_or(0)};
  }
  m.expanded = k * m.measured.error;
  return m;
}

std::optional<PointVerdict> verdictOf(const Norm* norm, const std::vector<const ProtocolRecord*>& records, double k) {
  const std::optional<LevelMean> m = levelMean(norm, records, k);
  if (!m) return std::nullopt;
  PointVerdict v{*m};
  v.verdict = report::judge(m->measured.value, m->expanded, norm->level);
  return v;
}

std::vector<const ProtocolRecord*> recordsOf(const PointResult& point) {
  std::vector<const ProtocolRecord*> out;
  for (const ProtocolRecord& r : point.records) out.push_back(&r);
  return out;
}

}  // namespace

void assess(Protocol& p) {
  const double k = p.coverageFactor;
  for (PointResult& point : p.points) {
    const std::vector<const ProtocolRecord*> records = recordsOf(point);
    for (const Norm* norm : p.normative)
      if (std::optional<PointVerdict> v = verdictOf(norm, records, k)) point.verdicts.push_back(*v);
    for (const Norm* norm : p.informative)
      if (std::optional<LevelMean> m = levelMean(norm, records, k)) point.informative.push_back(*m);
  }
  for (RoomResult& room : p.rooms) {
    std::vector<const ProtocolRecord*> records;
    for (std::size_t i : room.points) {
      const std::vector<const ProtocolRecord*> more = recordsOf(p.points[i]);
      records.insert(records.end(), more.begin(), more.end());
    }
    for (const Norm* norm : p.normative) {
      const std::optional<PointVerdict> v = verdictOf(norm, records, k);
      if (!v) continue;
      RoomVerdict rv{*v};
      for (std::size_t i : room.points) rv.pointsJudged += p.points[i].verdictOf(norm) ? 1 : 0;
      room.verdicts.push_back(rv);
    }
  }
  for (const Norm* norm : p.normative) {
    LevelConclusion c;
    c.norm = norm;
    for (std::size_t r = 0; r < p.rooms.size(); ++r) {
      const RoomVerdict* v = p.rooms[r].verdictOf(norm);
      if (!v) continue;
      (v->verdict == Verdict::Above ? c.above : v->verdict == Verdict::Below ? c.below : c.inconclusive).push_back(r);
    }
    p.conclusions.push_back(std::move(c));
  }
}

}  // namespace zel::archive::levels
