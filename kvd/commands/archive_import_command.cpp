// kvd archive import: measurement files, and folders searched for them,
// into the archive, one transaction per file (an interrupt between files
// keeps the files already done); kvd archive where: the files a record came
// in.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "browser/file_name.h"
#include "kvd/archive/location.h"
#include "kvd/archive/sha256.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/input.h"
#include "kvd/io/platform.h"
#include "kvd/io/progress_line.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// The files to import: each file argument as given, and a folder's
// measurement files (*.kvd in any letter case) at any depth, sorted by
// name so that every run imports in the same order.
std::vector<FileName> filesToImport(const std::vector<std::string>& arguments, Diagnostics& diagnostics) {
  std::vector<FileName> out;
  for (FileName& argument : expandFileArguments(arguments)) {
    std::error_code ec;
    if (!fs::is_directory(argument.path(), ec)) {
      out.push_back(std::move(argument));
      continue;
    }
    std::vector<FileName> found;
    fs::recursive_directory_iterator it(argument.path(), fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (it->is_regular_file(typeError) && browser::hasKvdExtension(platform::utf8FromPath(it->path().filename())))
        found.push_back(FileName::ofPath(it->path()));
    }
    if (ec) {
      diagnostics.fileFailed(argument.text(), "the folder cannot be searched (" + ec.message() + ")");
      continue;
    }
    if (found.empty()) diagnostics.fileFailed(argument.text(), "the folder holds no measurement files (.kvd)");
    std::sort(found.begin(), found.end(), [](const FileName& a, const FileName& b) { return a.text() < b.text(); });
    out.insert(out.end(), found.begin(), found.end());
  }
  return out;
}

std::string count(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string countsText(std::uint64_t records, std::uint64_t fresh, std::uint64_t known) {
  return count(records, "record", "records") + ", " + std::to_string(fresh) + " new, " + std::to_string(known) +
         " already in the archive";
}

}  // namespace

nlohmann::ordered_json importedFileJson(const std::string& name, const archive::ImportResult& result,
                                        std::uint64_t partialBytes) {
  Json entry{{"file", name},
             {"records", result.records},
             {"new", result.fresh},
             {"known", result.known},
             {"partial", partialBytes}};
  if (result.alreadyImported) entry["already_imported"] = true;
  return entry;
}

int runArchiveImport(const std::string& location, const ArchiveImportOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  const std::vector<FileName> names = filesToImport(options.paths, diagnostics);
  std::uint64_t totalBytes = 0;
  for (const FileName& name : names) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(name.path(), ec);
    if (!ec) totalBytes += size;
  }
  const int code = withArchive(location, true, io, [&](archive::Archive& archive) {
    const std::string user = archive::userName(), host = archive::hostName();
    ProgressLine progress(io.err, platform::isTerminal(stderr), totalBytes);
    Json files = Json::array();
    std::uint64_t records = 0, fresh = 0, known = 0, imported = 0, already = 0, bytesBefore = 0;
    RecordFile file;
    for (const FileName& input : names) {
      const std::string& name = input.text();
      progress.update(bytesBefore, name);
      if (!file.open(input, diagnostics)) continue;
      archive::FileFacts facts;
      facts.path = name;
      facts.absolutePath = absolutePathText(input.path());
      facts.size = file.size();
      facts.partialBytes = file.size() % kRecordSize;
      try {
        facts.sha256 = archive::sha256FileHex(file.path());
      } catch (const std::runtime_error& e) {
        progress.clear();
        diagnostics.fileFailed(name, std::string("cannot be read (") + e.what() + ")");
        continue;
      }
      std::uint64_t read = 0;
      const archive::ImportResult result = archive.importFile(
          facts,
          [&](MeasurementRecord& record) {
            if (!file.next(record)) return false;
            if ((++read & 0xFF) == 0) progress.update(bytesBefore + read * kRecordSize, name);
            return true;
          },
          user, host);
      bytesBefore += facts.size;
      progress.clear();
      file.finish(diagnostics);
      ++imported;
      if (result.alreadyImported) ++already;
      records += result.records;
      fresh += result.fresh;
      known += result.known;
      if (options.json) {
        files.push_back(importedFileJson(name, result, facts.partialBytes));
      } else if (result.alreadyImported) {
        io.out.write(name + ": already imported (same contents), nothing added\n");
      } else {
        io.out.write(name + ": " + countsText(result.records, result.fresh, result.known) + "\n");
      }
      io.out.flush();
    }
    progress.clear();
    if (options.json) {
      io.out.write(jsonText(Json{{"files", files}, {"records", records}, {"new", fresh}, {"known", known}}));
    } else if (imported > 0) {
      std::string total = "Total: " + count(imported, "file", "files") + ", " + countsText(records, fresh, known);
      if (already > 0) total += " (" + count(already, "file was", "files were") + " imported before)";
      io.out.write(total + "\n");
    }
    return kExitOk;
  }, options.reason);
  if (code != kExitOk) return code;
  if (names.empty() && !diagnostics.anyFailed()) diagnostics.failed("no measurement files to import");
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

int runArchiveWhere(const std::string& location, const ArchiveWhereOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (!archive.hasRecord(options.record)) {
      io.err.write("kvd: the archive has no record " + std::to_string(options.record) + "\n");
      return kExitFailed;
    }
    const std::vector<archive::Sighting> sightings = archive.where(options.record);
    if (options.json) {
      Json out = Json::array();
      for (const archive::Sighting& s : sightings)
        out.push_back(Json{{"file", s.path},
                           {"absolutePath", s.absolutePath},
                           {"index", s.index},
                           {"importedAt", s.importedAt},
                           {"user", s.user},
                           {"host", s.host}});
      io.out.write(jsonText(Json{{"record", options.record}, {"files", out}}));
      return kExitOk;
    }
    std::string s = "Record " + std::to_string(options.record) + ": seen in " +
                    count(sightings.size(), "file", "files") + "\n";
    for (const archive::Sighting& f : sightings)
      s += "  " + f.path + ", record " + std::to_string(f.index) + " (" + f.absolutePath + "), imported " +
           f.importedAt + " by " + f.user + " on " + f.host + "\n";
    io.out.write(s);
    return kExitOk;
  });
}

}  // namespace zel::cli
