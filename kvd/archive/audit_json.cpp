#include "kvd/archive/audit_json.h"

#include <algorithm>

#include "kvd/archive/selection_sql.h"

namespace zel::archive::audit {

std::string pointTarget(const std::string& object, const PointName& p) {
  std::string out = object;
  if (!p.floor.empty()) out += " / floor " + p.floor;
  out += " / room " + p.room;
  if (!p.point.empty()) out += " / point " + p.point;
  return out;
}

std::string placementTarget(const std::string& object, std::int64_t id) {
  return object + " / placement " + std::to_string(id);
}

std::string deviceTarget(std::uint32_t number) { return "device " + std::to_string(number); }

std::string idRanges(std::vector<std::int64_t> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::string out;
  for (std::size_t k = 0; k < ids.size();) {
    std::size_t last = k;
    while (last + 1 < ids.size() && ids[last + 1] == ids[last] + 1) ++last;
    if (!out.empty()) out += ',';
    out += std::to_string(ids[k]);
    if (last > k) out += '-' + std::to_string(ids[last]);
    k = last + 1;
  }
  return out;
}

Json recordsJson(const std::vector<std::int64_t>& ids) {
  return Json{{"records", idRanges(ids)}, {"count", ids.size()}};
}

Json pointJson(const std::string& object, const PointName& p) {
  return Json{{"object", object}, {"floor", p.floor}, {"room", p.room}, {"point", p.point}};
}

Json objectJson(const ObjectInfo& o) {
  return Json{{"name", o.name}, {"address", o.address}, {"client", o.client}, {"notes", o.notes}, {"kind", o.kind}};
}

Json placementJson(const Placement& pl) {
  Json out{{"id", pl.id}};
  out.update(pointJson(pl.object, pl.point));
  out["device"] = pl.device;
  out["from"] = timestampText(pl.from);
  out["to"] = timestampText(pl.to);
  return out;
}

Json deviceJson(const DeviceInfo& d) {
  return Json{{"number", d.number},
              {"model", d.model},
              {"certificate", d.certificate},
              {"verified_from", d.verifiedFrom},
              {"verified_until", d.verifiedUntil},
              {"type", d.type},
              {"serial", d.serial},
              {"stated_error", d.statedError}};
}

Json cutJson(const PlacementCut& cut) {
  Json out = placementJson(cut.before);
  Json kept = Json::array();
  for (const auto& [from, to] : cut.kept) kept.push_back(Json{{"from", from}, {"to", to}});
  out["kept"] = std::move(kept);
  return out;
}

}  // namespace zel::archive::audit
