// The protocol's input, gathered from the archive.
#include <set>

#include "kvd/archive/protocol.h"

namespace zel::archive {

ProtocolInput protocolInput(Archive& archive, const ObjectInfo& object) {
  ProtocolInput input;
  input.object = object;
  input.lab = labInfo(archive);
  std::vector<ProtocolPoint> points;
  for (const ObjectSummary& summary : archive.objects())
    if (summary.info.name == object.name)
      for (const PointSummary& p : summary.points) points.push_back({p.name, {}, {}});

  const std::vector<Placement> placements = archive.placements(object.name);
  std::set<std::uint32_t> devices;
  for (const Placement& placement : placements) {
    devices.insert(placement.device);
    for (ProtocolPoint& p : points)
      if (p.name == placement.point) p.placements.push_back(placement);
  }

  Selection atObject;
  atObject.object = object.name;
  archive.forEachRecord(atObject, [&](const StoredRecord& r) {
    devices.insert(r.record.deviceNumber());
    for (ProtocolPoint& p : points)
      if (p.name == r.point) p.records.push_back(r);
  });

  std::set<std::int64_t> apart;
  for (const Placement& placement : placements) {
    Selection outside;
    outside.device = placement.device;
    outside.from = placement.from;
    outside.to = placement.to;
    outside.unassigned = true;
    archive.forEachRecord(outside, [&](const StoredRecord& r) {
      if (apart.insert(r.id).second) input.apart.push_back(r);
    });
  }

  for (std::uint32_t number : devices)
    if (const std::optional<DeviceInfo> device = archive.device(number)) input.devices.push_back(*device);
  input.points = std::move(points);
  return input;
}

}  // namespace zel::archive
