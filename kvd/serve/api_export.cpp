// POST /api/export: the chosen records as a file to download, written by
// the writers of kvd archive export into a folder of the server's own that
// is removed as soon as the file is read back; in the list's order, named
// after what it holds, and from a Russian page with Russian headings and
// as Russian Excel opens a CSV.
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "kvd/archive/location.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/platform.h"
#include "kvd/serve/export_name.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/page_words.h"
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

// The object that every chosen record stands at; empty when they stand at
// several or at none. The first and the last of them by place tell, as
// both databases sort the records at no point after or before all others.
std::string soleObject(archive::Archive& archive, const archive::Selection& selection) {
  if (selection.object || selection.unassigned) return {};
  const archive::RecordPage first = archive.recordPage(selection, archive::SortKey::Point, false, 0, 1);
  const archive::RecordPage last = archive.recordPage(selection, archive::SortKey::Point, true, 0, 1);
  if (first.rows.empty() || last.rows.empty()) return {};
  const std::string& object = first.rows.front().object;
  return !object.empty() && object == last.rows.front().object ? object : std::string();
}

// The page's language as it says it in "lang", else as the request's.
std::string exportLanguage(const Json& body, const httplib::Request& request, const ServeContext& context) {
  const std::optional<std::string> lang = optionalText(body, "lang");
  if (!lang) return requestLanguage(request, context);
  if (*lang != "en" && *lang != "ru") throw HttpError(400, "\"lang\" is en or ru", "bad_lang");
  return *lang;
}

}  // namespace

void addExportRoutes(Routes& routes, ServeContext& context) {
  routes.post("/api/export", [&context](const httplib::Request& request, httplib::Response& response) {
    const Json body = bodyObject(request);
    const std::string name = requiredText(body, "format");
    const auto format = formats().find(name);
    if (format == formats().end()) throw HttpError(400, "\"format\" is one of xlsx, csv, json, jsonl, kvd", "bad_format");
    const std::string lang = exportLanguage(body, request, context);
    const std::string scratchName = std::string("export.") + format->second.extension;
    ScratchFolder folder;
    cli::ArchiveReadOptions options;
    options.output = cli::platform::utf8FromPath(folder.path() / scratchName);
    options.order = parseOrder(optionalText(body, "sort").value_or(""), optionalText(body, "dir").value_or(""));
    // Tables that people read take the page's words; JSON keeps kvd's keys
    // for the programs that read it.
    const std::optional<cli::ExportFormat> table = format->second.table;
    if (isRussian(lang) && (table == cli::ExportFormat::Csv || table == cli::ExportFormat::Xlsx)) {
      options.words = &russianTableWords();
      if (table == cli::ExportFormat::Csv) options.csvStyle = "excel-ru";
    }
    cli::StringSink out, err;
    cli::Streams io{out, err};
    std::string fileName;
    const int code = context.withArchive([&](archive::Archive& a) {
      const archive::Selection selection = parseRecordChoice(body, a);
      if (a.countRecords(selection) == 0) throw HttpError(400, "no records match: nothing to export", "nothing_to_export");
      fileName = exportFileName(selection, soleObject(a, selection), lang, archive::localTimeNow().substr(0, 10),
                                format->second.extension);
      return cli::exportSelection(a, selection, options, table, io);
    });
    if (code != cli::kExitOk) throw std::runtime_error("the export failed: " + err.text());
    std::ifstream in(folder.path() / scratchName, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    response.set_header("Content-Disposition", attachmentDisposition(fileName));
    response.set_content(bytes.str(), format->second.contentType);
  });
}

}  // namespace zel::serve
