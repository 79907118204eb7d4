// kvd archive backup and copy. A new SQLite file is written under a
// temporary name beside its own and renamed only once it is complete and
// checked, and never over a file; a copy into an existing empty archive is
// one transaction there. Each is said done only when the result checks
// clean, and only then entered in the audit trail.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>

#include "kvd/archive/archive.h"
#include "kvd/archive/copy.h"
#include "kvd/archive/sha256.h"
#include "kvd/commands/archive_check_command.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/output_file.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

bool taken(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::string mustBeNew(const std::string& name) { return name + " exists: name a new file"; }

// The result checked like any archive; its faults, if any, listed.
std::optional<archive::CheckReport> checked(archive::Archive& result, const std::string& what, Streams& io) {
  archive::CheckReport report = archive::checkArchive(result, checkProgress(io));
  if (report.clean()) return report;
  writeCheckText(report, io.out);
  io.err.write("kvd: " + what + " does not check clean\n");
  return std::nullopt;
}

// The temporary file renamed to its name, unless a file of that name came
// meanwhile.
bool renamed(OutputFile& file, const FileName& name, Streams& io) {
  std::string why;
  if (taken(name.path())) {
    file.discard();
    io.err.write("kvd: " + mustBeNew(name.text()) + "\n");
    return false;
  }
  if (file.commit(why)) return true;
  io.err.write("kvd: " + name.text() + ": " + why + "\n");
  return false;
}

std::string counts(const archive::CopyCounts& n) {
  return std::to_string(n.records) + (n.records == 1 ? " record, " : " records, ") + std::to_string(n.auditEntries) +
         (n.auditEntries == 1 ? " audit entry" : " audit entries");
}

}  // namespace

int runArchiveBackup(const std::string& location, const ArchiveCheckOptions& options, Streams& io) {
  const std::string usage = archiveUsage("backup");
  const FileName name(options.output);
  if (taken(name.path())) return usageError(io, mustBeNew(name.text()), usage);
  if (const std::string refusal = outputRefusal(name, {}); !refusal.empty()) return usageError(io, refusal, usage);
  return withArchive(location, false, io, [&](archive::Archive& source) {
    OutputFile file;
    std::string why;
    if (!file.create(name.path(), why)) {
      io.err.write("kvd: " + name.text() + ": " + why + "\n");
      return kExitFailed;
    }
    file.closeStream();
    archive::backupArchive(source, file.temporaryPath());
    archive::CopyCounts n;
    {
      archive::Archive backup(archive::openSqlite(file.temporaryPath(), false));
      const std::optional<archive::CheckReport> report = checked(backup, "the backup", io);
      if (!report) return kExitFailed;
      n.records = report->count("digests");
      n.auditEntries = report->count("audit");
    }
    const std::string sha256 = archive::sha256FileHex(file.temporaryPath());
    if (!renamed(file, name, io)) return kExitFailed;
    source.audit("archive.backup", name.text(), "",
                 Json{{"file", name.text()}, {"records", n.records}, {"sha256", sha256}}.dump());
    io.out.write("backup written: " + name.text() + " (" + counts(n) + "), checked\n");
    return kExitOk;
  });
}

int runArchiveCopy(const std::string& location, const ArchiveCheckOptions& options, Streams& io) {
  const std::string from = shownLocation(archive::archiveLocation(location));
  const std::string to = shownLocation(options.to);
  const bool toServer = archive::isPostgresLocation(options.to);
  const FileName toFile(options.to);
  if (options.to.empty()) return usageError(io, "--to names the archive to copy into", archiveUsage("copy"));
  if (toServer ? options.to == archive::archiveLocation(location)
               : sameFile(toFile.path(), platform::pathFromUtf8(archive::archiveLocation(location))))
    return usageError(io, to + " is the archive itself: copy into another", archiveUsage("copy"));
  return withArchive(location, false, io, [&](archive::Archive& source) {
    // A new SQLite archive is made whole under a temporary name; a server's
    // database, or an empty archive file, is filled in one transaction.
    OutputFile file;
    std::optional<archive::Archive> target;
    try {
      if (!toServer && !taken(toFile.path())) {
        std::string why;
        std::error_code ec;
        if (toFile.path().has_parent_path()) fs::create_directories(toFile.path().parent_path(), ec);
        if (!file.create(toFile.path(), why)) {
          io.err.write("kvd: " + to + ": " + why + "\n");
          return kExitFailed;
        }
        file.closeStream();
        target.emplace(archive::openSqlite(file.temporaryPath(), true));
      } else {
        target.emplace(archive::openLocation(options.to, false));
      }
    } catch (const std::runtime_error& e) {
      io.err.write("kvd: archive " + to + ": " + e.what() + "\n");
      return kExitFailed;
    }
    target->setActor(source.actor());
    archive::CopyCounts n;
    try {
      n = archive::copyArchive(source, *target);
    } catch (const archive::ArchiveError& e) {
      if (e.code() != "not_empty") throw;
      io.err.write("kvd: " + to + " is not empty: copy into a new or empty archive\n");
      return kExitFailed;
    }
    if (!checked(*target, "the copy in " + to, io)) return kExitFailed;
    target->audit("archive.copy", from, "", Json{{"from", from}, {"records", n.records}}.dump());
    target.reset();
    if (file.temporaryPath() != fs::path() && !renamed(file, toFile, io)) return kExitFailed;
    source.audit("archive.copy", to, "", Json{{"to", to}, {"records", n.records}}.dump());
    io.out.write("copied to " + to + ": " + counts(n) + ", checked\n");
    return kExitOk;
  });
}

}  // namespace zel::cli
