#include "kvd/serve/archive_json.h"

#include <map>
#include <set>
#include <tuple>

#include "kvd/archive/selection_sql.h"
#include "kvd/meaning/record_meaning.h"
#include "kvd/serve/page_words.h"

namespace zel::serve {

namespace {

constexpr std::size_t kLastImports = 20;

Json numberOrNull(const cli::Number& n) {
  if (!n.present() || !n.finite()) return nullptr;
  return n.toDouble();
}

}  // namespace

Json objectJson(const archive::ObjectSummary& o) {
  Json points = Json::array();
  std::set<std::pair<std::string, std::string>> rooms;
  for (const archive::PointSummary& p : o.points) {
    points.push_back(Json{{"id", p.id},
                          {"floor", p.name.floor},
                          {"room", p.name.room},
                          {"point", p.name.point},
                          {"records", p.records}});
    rooms.emplace(p.name.floor, p.name.room);
  }
  return Json{{"id", o.id},           {"name", o.info.name},   {"address", o.info.address},
              {"client", o.info.client}, {"notes", o.info.notes}, {"kind", o.info.kind},
              {"records", o.records},  {"rooms", rooms.size()}, {"points", points}};
}

Json archiveJson(archive::Archive& archive) {
  archive::Selection unassigned;
  unassigned.unassigned = true;
  Json objects = Json::array();
  for (const archive::ObjectSummary& o : archive.objects()) objects.push_back(objectJson(o));
  Json imports = Json::array();
  for (const archive::ImportSummary& i : archive.lastImports(kLastImports))
    imports.push_back(Json{{"id", i.importId},
                           {"file", i.path},
                           {"imported_at", i.importedAt},
                           {"records", i.records},
                           {"new", i.fresh},
                           {"known", i.known}});
  return Json{{"records", archive.countRecords({})},
              {"unassigned", archive.countRecords(unassigned)},
              {"objects", objects},
              {"imports", imports}};
}

Json placementJson(const archive::Placement& p) {
  return Json{{"id", p.id},
              {"floor", p.point.floor},
              {"room", p.point.room},
              {"point", p.point.point},
              {"device", p.device},
              {"from", archive::timestampText(p.from)},
              {"to", archive::timestampText(p.to)}};
}

Json objectDetailJson(archive::Archive& archive, const archive::ObjectSummary& object, const std::string& lang) {
  Json out = objectJson(object);
  Json placements = Json::array();
  for (const archive::Placement& p : archive.placements(object.info.name)) placements.push_back(placementJson(p));
  out["placements"] = placements;

  // One series per point and unit, in the points' order, dated records only.
  using Key = std::tuple<std::string, std::string, std::string, std::string>;
  std::map<Key, Json> series;
  std::vector<Key> order;
  archive::Selection atObject;
  atObject.object = object.info.name;
  archive.forEachRecord(atObject, [&](const archive::StoredRecord& r) {
    const cli::DateTime when = cli::recordDateTime(r.record);
    if (!cli::isCalendarDate(when)) return;
    const cli::ListValue pair = cli::listValue(r.record, false);
    const Key key{r.point.floor, r.point.room, r.point.point, std::string(unitIn(lang, pair.unit))};
    auto [it, fresh] = series.try_emplace(key, Json::array());
    if (fresh) order.push_back(key);
    it->second.push_back(Json::array({archive::timestampText(when), numberOrNull(pair.value), numberOrNull(pair.error)}));
  });
  Json list = Json::array();
  for (const archive::PointSummary& p : object.points)
    for (const Key& key : order)
      if (std::get<0>(key) == p.name.floor && std::get<1>(key) == p.name.room && std::get<2>(key) == p.name.point)
        list.push_back(Json{{"floor", std::get<0>(key)},
                            {"room", std::get<1>(key)},
                            {"point", std::get<2>(key)},
                            {"unit", std::get<3>(key)},
                            {"rows", series[key]}});
  out["series"] = list;
  return out;
}

Json deviceJson(const archive::DeviceInfo& d) {
  return Json{{"number", d.number},
              {"model", d.model},
              {"type", d.type},
              {"serial", d.serial},
              {"certificate", d.certificate},
              {"error", d.statedError},
              {"verified_from", d.verifiedFrom},
              {"verified_until", d.verifiedUntil}};
}

namespace {

// Every device of the archive: those with data, and those whose records it
// holds (with empty data).
std::map<std::uint32_t, archive::DeviceInfo> allDevices(archive::Archive& archive) {
  std::map<std::uint32_t, archive::DeviceInfo> all;
  for (std::uint32_t n : archive.deviceNumbers()) all[n].number = n;
  for (const archive::DeviceInfo& d : archive.devices()) all[d.number] = d;
  return all;
}

}  // namespace

Json devicesJson(archive::Archive& archive) {
  Json out = Json::array();
  for (const auto& [number, d] : allDevices(archive)) out.push_back(deviceJson(d));
  return out;
}

std::optional<archive::DeviceInfo> findDevice(archive::Archive& archive, std::int64_t number) {
  if (number < 0 || number > 0xFFFFFFFF) return std::nullopt;
  const auto all = allDevices(archive);
  const auto it = all.find(static_cast<std::uint32_t>(number));
  if (it == all.end()) return std::nullopt;
  return it->second;
}

}  // namespace zel::serve
