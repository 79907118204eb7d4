#include "kvd/serve/record_json.h"

#include "kvd/meaning/record_meaning.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/page_words.h"
#include "viewer/pages/pages.h"

namespace zel::serve {

archive::StoredRecord storedRecord(archive::Archive& archive, std::int64_t id) {
  archive::Selection one;
  one.recordIds = {id};
  std::optional<archive::StoredRecord> found;
  archive.forEachRecord(one, [&](const archive::StoredRecord& r) { found = r; });
  if (!found) throw HttpError(404, "the archive has no record " + std::to_string(id), "no_record", Json{{"id", id}});
  return *found;
}

namespace {

// The record browser's list column that the value stands in, by the mode's
// category: the radon concentrations, the manual modes' pulses, or EEC.
std::string_view listColumn(std::uint8_t category) {
  switch (category) {
    case 2: return "eec";
    case 4: return "manual";
    default: return "radon";
  }
}

}  // namespace

Json recordRow(const archive::StoredRecord& r, const std::string& lang) {
  const cli::ListValue pair = cli::listValue(r.record);
  return Json{{"id", r.id},
              {"date", pair.date},
              {"time", pair.time},
              {"mode", pair.mode},
              {"mode_name", std::string(modeNameIn(lang, pair.mode))},
              {"value", pair.valueText},
              {"error", pair.errorText},
              {"unit", std::string(unitIn(lang, pair.unit))},
              {"column", std::string(listColumn(pair.category))},
              {"device", r.record.deviceNumber()},
              {"object", r.object},
              {"floor", r.point.floor},
              {"room", r.point.room},
              {"point", r.point.point}};
}

Json recordDetail(const archive::StoredRecord& r, const std::vector<archive::Sighting>& sightings,
                  const std::string& lang) {
  Json out = recordRow(r, lang);
  Json fields = Json::array();
  for (const cli::FieldValue& f : cli::fieldValues(r.record))
    fields.push_back(Json{{"name", std::string(f.name)},
                          {"label", std::string(fieldLabel(lang, f.name))},
                          {"value", cli::numberText(f.value)},
                          {"unit", std::string(unitIn(lang, f.unit))}});
  out["fields"] = fields;
  Json results = Json::array();
  for (const cli::Quantity& q : cli::results(r.record))
    results.push_back(Json{{"key", std::string(q.key)},
                           {"label", resultLabel(lang, q)},
                           {"value", q.text.empty() ? cli::numberText(q.value) : std::string(resultText(lang, q))},
                           {"error", cli::numberText(q.error)},
                           {"unit", std::string(unitIn(lang, q.unit))}});
  out["results"] = results;
  Json seen = Json::array();
  for (const archive::Sighting& s : sightings)
    seen.push_back(Json{{"file", s.path},
                        {"absolute_path", s.absolutePath},
                        {"index", s.index},
                        {"imported_at", s.importedAt},
                        {"user", s.user},
                        {"host", s.host}});
  out["sightings"] = seen;
  const bool viewer = pages::resultPageOf(r.record.modeCode()) != nullptr;
  out["has_page"] = viewer;
  out["has_spectrum"] = viewer;
  return out;
}

}  // namespace zel::serve
