// kvd archive check: each part of the check on a line with what it looked
// at, then each fault with its row; as JSON with --format json.
#include <memory>
#include <nlohmann/json.hpp>

#include "kvd/archive/archive.h"
#include "kvd/commands/archive_check_command.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/progress_line.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

// 1234567 as "1,234,567".
std::string grouped(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string counted(std::uint64_t n, const char* one, const char* many) {
  return grouped(n) + " " + (n == 1 ? one : many);
}

std::string faultsText(std::uint64_t n) { return counted(n, "fault", "faults"); }

// A part's line: what it looked at, and whether it found anything.
std::string partLine(const archive::CheckedPart& p) {
  const std::string found = p.faults == 0 ? "" : " (" + faultsText(p.faults) + ")";
  if (p.name == "integrity") return "database integrity: " + (p.faults == 0 ? "ok" : faultsText(p.faults));
  if (p.name == "links") return counted(p.count, "sighting", "sightings") + ": links to files and records" + found;
  if (p.name == "digests") return counted(p.count, "record", "records") + ": bytes and digests" + found;
  if (p.name == "columns") return counted(p.count, "record", "records") + ": decoded columns" + found;
  if (p.name == "audit")
    return "audit trail: " + counted(p.count, "entry", "entries") +
           (p.faults == 0 ? ", chain intact" : ", chain broken" + found);
  if (p.name == "protocols")
    return counted(p.count, "issued protocol", "issued protocols") + ": pages and records against their digests" +
           found;
  return p.name + ": " + grouped(p.count) + " checked" + found;
}

}  // namespace

void writeCheckText(const archive::CheckReport& report, TextSink& out) {
  for (const archive::CheckedPart& p : report.parts) out.write(partLine(p) + "\n");
  for (const archive::CheckFault& f : report.faults) out.write(f.subject + ": " + f.message + "\n");
  if (report.unlisted > 0) out.write("and " + counted(report.unlisted, "more fault", "more faults") + "\n");
  const std::uint64_t total = report.faults.size() + report.unlisted;
  out.write(total == 0 ? "no faults\n" : faultsText(total) + "\n");
}

archive::CheckProgress checkProgress(Streams& io) {
  if (!platform::isTerminal(stderr)) return {};
  auto line = std::make_shared<std::unique_ptr<ProgressLine>>();
  return [&io, line](std::uint64_t done, std::uint64_t total) {
    if (!*line) *line = std::make_unique<ProgressLine>(io.err, true, total);
    (*line)->update(done, "checking " + counted(total, "record", "records"));
    if (done >= total) line->reset();
  };
}

int runArchiveCheck(const std::string& location, const ArchiveCheckOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const archive::CheckReport report = archive::checkArchive(archive, checkProgress(io));
    if (!options.json) {
      writeCheckText(report, io.out);
      return report.clean() ? kExitOk : kExitFailed;
    }
    Json parts = Json::array();
    for (const archive::CheckedPart& p : report.parts)
      parts.push_back(Json{{"part", p.name}, {"rows", p.count}, {"faults", p.faults}});
    Json faults = Json::array();
    for (const archive::CheckFault& f : report.faults)
      faults.push_back(Json{{"part", f.part}, {"table", f.table}, {"row", f.row}, {"subject", f.subject},
                            {"message", f.message}});
    const Json out{{"archive", shownLocation(archive::archiveLocation(location))},
                   {"clean", report.clean()},
                   {"checked", parts},
                   {"faults", faults},
                   {"unlisted", report.unlisted}};
    io.out.write(out.dump(2) + "\n");
    return report.clean() ? kExitOk : kExitFailed;
  });
}

}  // namespace zel::cli
