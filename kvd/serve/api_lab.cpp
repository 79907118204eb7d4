// The laboratory's details, which its protocols name: GET /api/lab for
// everyone who reads the archive, POST /api/lab for admins, as kvd archive
// lab set changes them: only the fields given, each refusal at its field.
#include <httplib.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "kvd/archive/lab.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

using archive::LabChange;
using archive::LabInfo;

// The keys in the API are those of the audit trail's "lab.set" entries.
using archive::LabTextField;
constexpr const char* kCoverage = archive::kLabCoverageKey;

Json labJson(const LabInfo& lab) {
  Json out = Json::object();
  for (const LabTextField& f : archive::labTextFields()) out[f.key] = lab.*f.info;
  out[kCoverage] = lab.coverageFactor;
  return out;
}

[[noreturn]] void refuseFactor(const std::string& text) {
  throw HttpError(400, "the coverage factor is a number from 1 to 10, e.g. 2, not \"" + text + "\"",
                  "lab_coverage_factor", Json{{"field", kCoverage}, {"text", text}});
}

// A number, or the text of one as typed ("2", "1,96").
std::optional<double> coverageFactor(const Json& body) {
  const auto it = body.find(kCoverage);
  if (it == body.end() || it->is_null()) return std::nullopt;
  if (it->is_number()) return it->get<double>();
  if (!it->is_string()) refuseFactor(it->dump());
  std::string text = it->get<std::string>();
  checkTextLength(kCoverage, text);
  for (char& c : text)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double k = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size()) refuseFactor(it->get<std::string>());
  return k;
}

LabChange labChange(const Json& body) {
  std::vector<std::string_view> fields;
  for (const LabTextField& f : archive::labTextFields()) fields.push_back(f.key);
  fields.insert(fields.end(), {kCoverage, "reason"});
  onlyFields(body, fields);
  LabChange change;
  for (const LabTextField& f : archive::labTextFields()) {
    change.*f.change = optionalText(body, f.key);
    if (change.*f.change) checkTextLength(f.key, *(change.*f.change));
  }
  change.coverageFactor = coverageFactor(body);
  return change;
}

// The archive's refusals of what was typed, at the field each is about.
const char* refusedField(const std::string& code) {
  if (code == "lab_coverage_factor") return kCoverage;
  if (code == "lab_number_format") return "number_format";
  if (code == "lab_date") return "accredited_until";
  return nullptr;
}

}  // namespace

void addLabRoutes(Routes& routes, ServeContext& context) {
  routes.get("/api/lab", [&context](const httplib::Request& request, httplib::Response& response) {
    onlyParameters(request, {});
    sendJson(response, labJson(context.withArchive([](archive::Archive& a) { return archive::labInfo(a); })));
  });

  routes.post("/api/lab", [&context](const httplib::Request& request, httplib::Response& response) {
    const LabChange change = labChange(bodyObject(request));
    sendJson(response, labJson(context.changeArchive([&](archive::Archive& a) {
      try {
        archive::setLab(a, change);
      } catch (const archive::ArchiveError& e) {
        const char* field = refusedField(e.code());
        if (!field) throw;
        throw HttpError(400, e.what(), e.code(), Json{{"field", field}});
      }
      return archive::labInfo(a);
    })));
  });
}

}  // namespace zel::serve
