// POST /api/import: measurement files uploaded from the browser, parsed as
// records in memory (never stored as files), one transaction per file as
// kvd archive import makes it, with the same answer as its --format json.
// An upload is remembered under the name the browser sent; its absolute
// path is that name after "upload:", since the server never sees where the
// file was.
#include <httplib.h>

#include <cstring>

#include "browser/file_name.h"
#include "kvd/archive/location.h"
#include "kvd/archive/sha256.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/input.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"

namespace zel::serve {

namespace {

constexpr const char* kUploadPrefix = "upload:";

// Why a file is not imported, as the command line says it, with the code
// the pages word it by; empty when it is imported.
Json uploadRefusal(const httplib::MultipartFormData& part) {
  auto refused = [&](const std::string& why, const char* code) {
    return Json{{"file", part.filename}, {"error", why}, {"code", code}};
  };
  if (part.filename.empty()) return refused("a file without a name", "file_unnamed");
  if (!browser::hasKvdExtension(part.filename))
    return refused("not a measurement file: the name does not end in .kvd", "file_not_kvd");
  const std::string why = cli::recordSizeRefusal(part.content.size());
  if (why.empty()) return {};
  if (part.content.empty()) return refused(why, "file_empty");
  Json out = refused(why, "file_short");
  out["params"] = Json{{"bytes", part.content.size()}};
  return out;
}

}  // namespace

void addImportRoutes(Routes& routes, ServeContext& context) {
  routes.post("/api/import", [&context](const httplib::Request& request, httplib::Response& response) {
    if (!request.is_multipart_form_data())
      throw HttpError(400, "send the files as multipart/form-data, field \"file\"", "not_multipart");
    std::vector<const httplib::MultipartFormData*> parts;
    for (const auto& [name, part] : request.files) {
      if (name == "reason") continue;  // the change's reason, taken with the caller
      if (name != "file")
        throw HttpError(400, "unknown field \"" + name + "\": every file is sent as \"file\"", "unknown_field",
                        Json{{"field", name}});
      parts.push_back(&part);
    }
    if (parts.empty()) throw HttpError(400, "no file was sent (field \"file\")", "no_file");
    const std::string user = archive::userName(), host = archive::hostName();
    Json files = Json::array();
    std::uint64_t records = 0, fresh = 0, known = 0;
    for (const httplib::MultipartFormData* part : parts) {
      if (Json refusal = uploadRefusal(*part); !refusal.is_null()) {
        files.push_back(std::move(refusal));
        continue;
      }
      const std::string& bytes = part->content;
      archive::FileFacts facts;
      facts.path = part->filename;
      facts.absolutePath = kUploadPrefix + part->filename;
      facts.size = bytes.size();
      facts.partialBytes = bytes.size() % kRecordSize;
      const archive::Digest digest = archive::sha256(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      facts.sha256 = archive::hexText(digest.data(), digest.size());
      std::size_t at = 0;
      const archive::ImportResult result = context.changeArchive([&](archive::Archive& a) {
        return a.importFile(
            facts,
            [&](MeasurementRecord& record) {
              if (at + kRecordSize > bytes.size()) return false;
              std::memcpy(record.bytes.data(), bytes.data() + at, kRecordSize);
              at += kRecordSize;
              return true;
            },
            user, host);
      });
      records += result.records;
      fresh += result.fresh;
      known += result.known;
      files.push_back(cli::importedFileJson(part->filename, result, facts.partialBytes));
    }
    sendJson(response, Json{{"files", files}, {"records", records}, {"new", fresh}, {"known", known}});
  });
}

}  // namespace zel::serve
