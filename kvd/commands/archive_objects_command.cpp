// kvd archive object add|edit|remove, objects, device set, devices: the
// objects a lab measures, with their points, and its instruments with their
// verification.
#include <nlohmann/json.hpp>

#include "kvd/commands/archive_commands.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string recordsText(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " record" : " records"); }

}  // namespace

int runArchiveObjectAdd(const std::string& location, const ArchiveObjectOptions& options, Streams& io) {
  if (options.name.empty()) return usageError(io, "an object needs a name", archiveUsage("object add"));
  return withArchive(location, true, io, [&](archive::Archive& archive) {
    if (archive.object(options.name)) {
      io.err.write("kvd: the archive has an object " + quoted(options.name) + " already (kvd archive object edit "
                   "changes it)\n");
      return kExitFailed;
    }
    archive.addObject({options.name, options.change.address.value_or(""), options.change.client.value_or(""),
                       options.change.notes.value_or(""), options.change.kind.value_or(archive::kDefaultObjectKind)});
    io.out.write("Object " + quoted(options.name) + " added\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveObjectEdit(const std::string& location, const ArchiveObjectOptions& options, Streams& io) {
  const archive::ObjectChange& c = options.change;
  if (!c.name && !c.address && !c.client && !c.notes && !c.kind)
    return usageError(io, "nothing to change: give --name, --address, --client, --notes or --kind",
                      archiveUsage("object edit"));
  if (c.name && c.name->empty()) return usageError(io, "--name: an object needs a name", archiveUsage("object edit"));
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!archive.object(options.name)) {
      io.err.write("kvd: the archive has no object " + quoted(options.name) + " (kvd archive objects lists them)\n");
      return kExitFailed;
    }
    if (c.name && *c.name != options.name && archive.object(*c.name)) {
      io.err.write("kvd: the archive has an object " + quoted(*c.name) + " already\n");
      return kExitFailed;
    }
    archive.editObject(options.name, c);
    io.out.write("Object " + quoted(c.name.value_or(options.name)) + " changed\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveObjectRemove(const std::string& location, const ArchiveObjectOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!archive.object(options.name)) {
      io.err.write("kvd: the archive has no object " + quoted(options.name) + " (kvd archive objects lists them)\n");
      return kExitFailed;
    }
    const std::uint64_t unassigned = archive.removeObject(options.name, options.unassign);
    std::string s = "Object " + quoted(options.name) + " removed";
    if (unassigned > 0) s += "; " + recordsText(unassigned) + " unassigned, still in the archive";
    io.out.write(s + "\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveObjects(const std::string& location, const ArchiveObjectOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::vector<archive::ObjectSummary> objects = archive.objects();
    if (options.json) {
      Json out = Json::array();
      for (const archive::ObjectSummary& o : objects) {
        Json points = Json::array();
        for (const archive::PointSummary& p : o.points)
          points.push_back(Json{{"floor", p.name.floor}, {"room", p.name.room}, {"point", p.name.point},
                                {"records", p.records}});
        out.push_back(Json{{"name", o.info.name}, {"address", o.info.address}, {"client", o.info.client},
                           {"notes", o.info.notes}, {"kind", o.info.kind}, {"records", o.records},
                           {"points", points}});
      }
      io.out.write(jsonText(out));
      return kExitOk;
    }
    if (objects.empty()) io.out.write("No objects yet (kvd archive object add NAME).\n");
    std::string s;
    for (const archive::ObjectSummary& o : objects) {
      if (!s.empty()) s += '\n';
      s += o.info.name + ": " + recordsText(o.records) + "\n";
      if (!o.info.address.empty()) s += "  address: " + o.info.address + "\n";
      if (!o.info.client.empty()) s += "  client: " + o.info.client + "\n";
      if (!o.info.notes.empty()) s += "  notes: " + o.info.notes + "\n";
      s += "  kind: " + o.info.kind + "\n";
      for (const archive::PointSummary& p : o.points)
        s += "  " + placeText(p.name) + ": " + recordsText(p.records) + "\n";
    }
    io.out.write(s);
    return kExitOk;
  });
}

int runArchiveDeviceSet(const std::string& location, const ArchiveDeviceOptions& options, Streams& io) {
  const std::string usage = archiveUsage("device set");
  if (!options.model && !options.certificate && !options.verifiedFrom && !options.verifiedUntil && !options.type &&
      !options.serial && !options.error)
    return usageError(io,
                      "nothing to set: give --model, --type, --serial, --error, --certificate, --verified-from or "
                      "--verified-until",
                      usage);
  std::string from, until;
  if (options.verifiedFrom && !archive::verificationDay(*options.verifiedFrom, from))
    return usageError(io, "--verified-from " + *options.verifiedFrom + ": a date, YYYY-MM-DD or dd.mm.yyyy", usage);
  if (options.verifiedUntil && !archive::verificationDay(*options.verifiedUntil, until))
    return usageError(io, "--verified-until " + *options.verifiedUntil + ": a date, YYYY-MM-DD or dd.mm.yyyy", usage);
  return withArchive(location, true, io, [&](archive::Archive& archive) {
    // Only the fields given change; the others keep what the archive has.
    archive::DeviceInfo device = archive.device(options.number).value_or(archive::DeviceInfo{});
    device.number = options.number;
    if (options.model) device.model = *options.model;
    if (options.certificate) device.certificate = *options.certificate;
    if (options.verifiedFrom) device.verifiedFrom = from;
    if (options.verifiedUntil) device.verifiedUntil = until;
    if (options.type) device.type = *options.type;
    if (options.serial) device.serial = *options.serial;
    if (options.error) device.statedError = *options.error;
    archive.setDevice(device);
    io.out.write("Device " + std::to_string(options.number) + " set\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveDevices(const std::string& location, const ArchiveDeviceOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::vector<archive::DeviceInfo> devices = archive.devices();
    if (options.json) {
      Json out = Json::array();
      for (const archive::DeviceInfo& d : devices)
        out.push_back(Json{{"number", d.number}, {"model", d.model}, {"certificate", d.certificate},
                           {"verifiedFrom", d.verifiedFrom.empty() ? Json(nullptr) : Json(d.verifiedFrom)},
                           {"verifiedUntil", d.verifiedUntil.empty() ? Json(nullptr) : Json(d.verifiedUntil)},
                           {"type", d.type}, {"serial", d.serial.empty() ? std::to_string(d.number) : d.serial},
                           {"error", d.statedError}});
      io.out.write(jsonText(out));
      return kExitOk;
    }
    if (devices.empty()) io.out.write("No devices yet (kvd archive device set NUMBER --model TEXT).\n");
    std::string s;
    for (const archive::DeviceInfo& d : devices) {
      s += "Device " + std::to_string(d.number);
      if (!d.model.empty()) s += ", " + d.model;
      if (!d.type.empty()) s += ", type " + d.type;
      if (!d.serial.empty()) s += ", serial " + d.serial;
      if (!d.statedError.empty()) s += ", error " + d.statedError;
      if (!d.certificate.empty()) s += ", certificate " + d.certificate;
      if (!d.verifiedFrom.empty() || !d.verifiedUntil.empty())
        s += ", verified " + (d.verifiedFrom.empty() ? std::string("...") : d.verifiedFrom) + " to " +
             (d.verifiedUntil.empty() ? std::string("...") : d.verifiedUntil);
      s += "\n";
    }
    io.out.write(s);
    return kExitOk;
  });
}

}  // namespace zel::cli
