// POST /api/export: the chosen records as a file to download, written by
// the writers of kvd archive export into a folder of the server's own that
// is removed as soon as the file is read back.
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/serve_platform.h"

namespace zel::serve {

namespace {

namespace fs = std::filesystem;

struct Format {
  std::optional<cli::ExportFormat> table;  // none: a measurement file
  const char* extension;
  const char* contentType;
};

const std::map<std::string, Format>& formats() {
  static const std::map<std::string, Format> all = {
      {"xlsx", {cli::ExportFormat::Xlsx, "xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"}},
      {"csv", {cli::ExportFormat::Csv, "csv", "text/csv; charset=utf-8"}},
      {"json", {cli::ExportFormat::Json, "json", "application/json; charset=utf-8"}},
      {"jsonl", {cli::ExportFormat::JsonLines, "jsonl", "application/x-ndjson; charset=utf-8"}},
      {"kvd", {std::nullopt, "kvd", "application/octet-stream"}},
  };
  return all;
}

// A folder that goes with its contents whatever happens.
class ScratchFolder {
 public:
  ScratchFolder() : path_(fs::temp_directory_path() / ("kvd-serve-" + randomHex(8))) { fs::create_directory(path_); }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

void addExportRoutes(Routes& routes, ServeContext& context) {
  routes.post("/api/export", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    const std::string name = requiredText(body, "format");
    const auto format = formats().find(name);
    if (format == formats().end()) throw HttpError(400, "\"format\" is one of xlsx, csv, json, jsonl, kvd");
    const std::string fileName = std::string("archive-export.") + format->second.extension;
    ScratchFolder folder;
    cli::ArchiveReadOptions options;
    options.output = cli::platform::utf8FromPath(folder.path() / fileName);
    cli::StringSink out, err;
    cli::Streams io{out, err};
    const int code = context.withArchive([&](archive::Archive& a) {
      const archive::Selection selection = parseRecordChoice(body, a);
      if (a.countRecords(selection) == 0) throw HttpError(400, "no records match: nothing to export", "nothing_to_export");
      return cli::exportSelection(a, selection, options, format->second.table, io);
    });
    if (code != cli::kExitOk) throw std::runtime_error("the export failed: " + err.text());
    std::ifstream in(folder.path() / fileName, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    response.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
    response.set_content(bytes.str(), format->second.contentType);
  });
}

}  // namespace zel::serve
