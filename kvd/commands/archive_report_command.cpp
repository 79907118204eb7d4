// kvd archive report: the protocol of an object as one HTML page, from
// what the archive holds of it: the object, its points with their records
// and placements, the devices that stood there with their verification,
// and apart the records those devices made in the placement periods that
// were put at no point.
#include <map>
#include <set>
#include <sstream>

#include "kvd/archive/location.h"
#include "kvd/archive/protocol.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

archive::ProtocolInput protocolInput(archive::Archive& archive, const archive::ObjectInfo& object) {
  archive::ProtocolInput input;
  input.object = object;
  std::vector<archive::ProtocolPoint> points;
  for (const archive::ObjectSummary& summary : archive.objects())
    if (summary.info.name == object.name)
      for (const archive::PointSummary& p : summary.points) points.push_back({p.name, {}, {}});

  const std::vector<archive::Placement> placements = archive.placements(object.name);
  std::set<std::uint32_t> devices;
  for (const archive::Placement& placement : placements) {
    devices.insert(placement.device);
    for (archive::ProtocolPoint& p : points)
      if (p.name == placement.point) p.placements.push_back(placement);
  }

  archive::Selection atObject;
  atObject.object = object.name;
  archive.forEachRecord(atObject, [&](const archive::StoredRecord& r) {
    devices.insert(r.record.deviceNumber());
    for (archive::ProtocolPoint& p : points)
      if (p.name == r.point) p.records.push_back(r);
  });

  std::set<std::int64_t> apart;
  for (const archive::Placement& placement : placements) {
    archive::Selection outside;
    outside.device = placement.device;
    outside.from = placement.from;
    outside.to = placement.to;
    outside.unassigned = true;
    archive.forEachRecord(outside, [&](const archive::StoredRecord& r) {
      if (apart.insert(r.id).second) input.apart.push_back(r);
    });
  }

  for (std::uint32_t number : devices)
    if (const std::optional<archive::DeviceInfo> device = archive.device(number)) input.devices.push_back(*device);
  input.points = std::move(points);
  return input;
}

// Today as the protocol prints it: dd.mm.yyyy.
std::string today() {
  const std::string now = archive::localTimeNow();  // "YYYY-MM-DD hh:mm:ss"
  return now.size() < 10 ? now : now.substr(8, 2) + "." + now.substr(5, 2) + "." + now.substr(0, 4);
}

}  // namespace

std::string archiveProtocolHtml(archive::Archive& archive, const archive::ObjectInfo& object,
                                const std::vector<const report::Norm*>& norms, bool russian,
                                std::size_t* points, std::uint64_t* records) {
  archive::ProtocolInput input = protocolInput(archive, object);
  input.norms = norms;
  input.language = russian ? report::Language::Ru : report::Language::En;
  input.issued = today();
  std::ostringstream html;
  writeProtocolHtml(html, input);
  if (points) *points = input.points.size();
  if (records) {
    *records = 0;
    for (const archive::ProtocolPoint& p : input.points) *records += p.records.size();
  }
  return html.str();
}

int runArchiveReport(const std::string& location, const ArchiveReportOptions& options, Streams& io) {
  const std::string usage = archiveUsage("report");
  std::vector<const report::Norm*> norms;
  if (const std::string why = chooseNorms(options.norms, norms); !why.empty()) return usageError(io, why, usage);
  const FileName target(options.output);
  if (const std::string refusal = outputRefusal(target, {}); !refusal.empty())
    return usageError(io, refusal, usage);
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::optional<archive::ObjectInfo> object = archive.object(options.object);
    if (!object) {
      io.err.write("kvd: the archive has no object \"" + options.object + "\" (kvd archive objects lists them)\n");
      return kExitFailed;
    }
    std::size_t points = 0;
    std::uint64_t records = 0;
    const std::string page = archiveProtocolHtml(archive, *object, norms, options.russian, &points, &records);

    Diagnostics diagnostics(io.err);
    OutputFile output;
    std::string why;
    if (!createOutput(output, target, diagnostics)) return kExitFailed;
    if (std::fwrite(page.data(), 1, page.size(), output.stream()) != page.size() || !output.commit(why)) {
      diagnostics.failed(options.output + ": " + (why.empty() ? std::string("could not be written") : why) +
                         "; nothing was written");
      return kExitFailed;
    }
    io.out.write(options.output + ": the protocol of " + object->name + ", " + std::to_string(points) +
                 (points == 1 ? " point, " : " points, ") + std::to_string(records) +
                 (records == 1 ? " record" : " records") + "\n");
    return kExitOk;
  });
}

}  // namespace zel::cli
