// The verdicts of the chosen reference levels: one per record a level
// applies to, and one per mode for the mean of its records over the period.
#include <algorithm>
#include <set>

#include "kvd/report/html_report.h"

namespace zel::report {

namespace {

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

}  // namespace zel::report
