// kvd archive log: the entries of the audit trail that pass the filters,
// oldest first. Text for a person: a line per entry, then what it was
// before and after and the reason, indented. JSON for a program: every
// field as stored, before and after as the JSON texts that the hash covers,
// so that the chain can be followed from the output alone.
#include "kvd/commands/archive_log_command.h"

#include <nlohmann/json.hpp>

#include "kvd/commands/archive_commands.h"
#include "kvd/meaning/record_meaning.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

Json entryJson(const archive::AuditEntry& e) {
  return Json{{"id", e.id},         {"at", e.at},         {"who", e.who},
              {"action", e.action}, {"target", e.target}, {"before", e.before},
              {"after", e.after},   {"reason", e.reason}, {"previous_hash", e.previousHash},
              {"hash", e.hash}};
}

std::string entryText(const archive::AuditEntry& e) {
  std::string s = e.at + " UTC  " + e.who + "  " + e.action + (e.target.empty() ? "" : "  " + e.target) + "\n";
  if (!e.before.empty()) s += "    before: " + e.before + "\n";
  if (!e.after.empty()) s += "    after:  " + e.after + "\n";
  if (!e.reason.empty()) s += "    reason: " + e.reason + "\n";
  return s;
}

}  // namespace

int runArchiveLog(const std::string& location, const ArchiveLogOptions& options, Streams& io) {
  archive::AuditFilter filter;
  filter.object = options.object;
  filter.who = options.user;
  filter.limit = options.limit;
  if (!options.since.empty()) {
    DateTime since;
    if (!parsePeriodBound(options.since, false, since))
      return usageError(io, "--since " + options.since + ": " + kArchiveDateForms, archiveUsage("log"));
    // The trail's times are "YYYY-MM-DD hh:mm:ss", compared as such.
    std::string text = isoDateTimeText(since);
    text[10] = ' ';
    filter.since = text;
  }
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::vector<archive::AuditEntry> entries = archive.auditLog(filter);
    if (options.json) {
      Json out = Json::array();
      for (const archive::AuditEntry& e : entries) out.push_back(entryJson(e));
      io.out.write(jsonText(out));
      return kExitOk;
    }
    for (const archive::AuditEntry& e : entries) io.out.write(entryText(e));
    if (entries.empty()) io.out.write("No entries.\n");
    return kExitOk;
  });
}

}  // namespace zel::cli
