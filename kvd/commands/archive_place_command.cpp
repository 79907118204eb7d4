// kvd archive assign and unassign: records put at a point of an object, or
// taken off it, chosen by a device and a period, by a file and its record
// indexes, or by record id; and a whole measurement plan at once.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kvd/archive/plan_csv.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

std::string recordsText(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " record" : " records"); }

// Placing takes exactly one way of choosing records.
int checkSelectorGroup(const ArchiveSelectors& s, Streams& io, const std::string& usage) {
  const bool byDevice = s.device || !s.from.empty() || !s.to.empty();
  const bool byFile = !s.file.empty() || !s.indexes.empty();
  const bool byRecord = !s.records.empty();
  if (static_cast<int>(byDevice) + static_cast<int>(byFile) + static_cast<int>(byRecord) != 1)
    return usageError(io, "choose the records one way: --device N --from DATETIME --to DATETIME, or --file FILE "
                          "[--index LIST], or --record ID...", usage);
  if (byDevice && (!s.device || s.from.empty() || s.to.empty()))
    return usageError(io, "--device, --from and --to go together: the device and the period it stood there", usage);
  return kExitOk;
}

std::string assignedText(const archive::AssignResult& r, const std::string& where) {
  std::string s = recordsText(r.assigned) + " assigned to " + where;
  std::vector<std::string> notes;
  if (r.moved > 0) notes.push_back(std::to_string(r.moved) + " moved from other points");
  if (r.already > 0) notes.push_back(std::to_string(r.already) + " there already");
  if (r.pointCreated) notes.push_back("point created");
  for (std::size_t k = 0; k < notes.size(); ++k) s += (k == 0 ? " (" : ", ") + notes[k];
  return s + (notes.empty() ? "\n" : ")\n");
}

int assignPlan(const std::string& location, const ArchiveAssignOptions& options, Streams& io) {
  const std::string usage = archiveUsage("assign");
  const ArchiveSelectors& s = options.selectors;
  if (!options.object.empty() || !options.point.room.empty() || !options.point.floor.empty() ||
      !options.point.point.empty() || s.device || !s.from.empty() || !s.to.empty() || !s.file.empty() ||
      !s.indexes.empty() || !s.records.empty())
    return usageError(io, "--plan gives the objects, points, devices and periods itself: give it with --move only",
                      usage);
  std::ifstream in(platform::pathFromUtf8(options.plan), std::ios::binary);
  if (!in) {
    io.err.write("kvd: " + options.plan + ": the plan cannot be read\n");
    return kExitFailed;
  }
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::vector<archive::PlanRow> plan;
  try {
    plan = archive::parsePlanCsv(text, options.plan);
  } catch (const archive::PlanError& e) {
    io.err.write(std::string("kvd: ") + e.what() + "; nothing was changed\n");
    return kExitFailed;
  }
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::vector<archive::AssignResult> results = archive.assignPlan(plan, options.move);
    std::string out;
    archive::AssignResult total;
    for (std::size_t k = 0; k < results.size() && k < plan.size(); ++k) {
      const archive::PlanRow& row = plan[k];
      out += options.plan + ":" + std::to_string(row.line) + ": device " + std::to_string(row.placement.device) +
             ", " + assignedText(results[k], pointText(row.object, row.placement.point));
      total.assigned += results[k].assigned;
      total.already += results[k].already;
      total.moved += results[k].moved;
    }
    out += "Plan of " + std::to_string(plan.size()) + (plan.size() == 1 ? " row: " : " rows: ") +
           recordsText(total.assigned) + " assigned";
    if (total.moved > 0) out += ", " + std::to_string(total.moved) + " moved";
    if (total.already > 0) out += ", " + std::to_string(total.already) + " there already";
    io.out.write(out + "\n");
    return kExitOk;
  }, options.reason);
}

}  // namespace

int runArchiveAssign(const std::string& location, const ArchiveAssignOptions& options, Streams& io) {
  if (!options.plan.empty()) return assignPlan(location, options, io);
  const std::string usage = archiveUsage("assign");
  if (options.object.empty()) return usageError(io, "give the OBJECT to assign to, or --plan FILE", usage);
  if (options.point.room.empty()) return usageError(io, "--room: a point lies in a room: name it", usage);
  if (const int code = checkSelectorGroup(options.selectors, io, usage); code != kExitOk) return code;
  archive::Selection selection;
  if (const int code = parseSelection(options.selectors, selection, io, usage); code != kExitOk) return code;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!archive.object(options.object)) {
      io.err.write("kvd: the archive has no object \"" + options.object +
                   "\" (kvd archive object add makes it; kvd archive objects lists them)\n");
      return kExitFailed;
    }
    if (const int code = resolveSelection(options.selectors, archive, selection, io); code != kExitOk) return code;
    const archive::AssignResult r = archive.assign(options.object, options.point, selection, options.move);
    io.out.write(assignedText(r, pointText(options.object, options.point)));
    return kExitOk;
  }, options.reason);
}

int runArchiveUnassign(const std::string& location, const ArchiveAssignOptions& options, Streams& io) {
  const std::string usage = archiveUsage("unassign");
  if (const int code = checkSelectorGroup(options.selectors, io, usage); code != kExitOk) return code;
  archive::Selection selection;
  if (const int code = parseSelection(options.selectors, selection, io, usage); code != kExitOk) return code;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (const int code = resolveSelection(options.selectors, archive, selection, io); code != kExitOk) return code;
    io.out.write(recordsText(archive.unassign(selection)) + " unassigned\n");
    return kExitOk;
  }, options.reason);
}

}  // namespace zel::cli
