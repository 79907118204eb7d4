#include "kvd/serve/records_query.h"

#include <charconv>
#include <set>

#include "kvd/serve/http_error.h"
#include "kvd/serve/text_limit.h"
#include "kvd/stats/stats.h"

namespace zel::serve {

namespace {

const std::set<std::string> kFilterKeys = {"object", "floor", "room", "point", "device",
                                           "from",   "to",    "mode", "unassigned"};
const std::set<std::string> kPagingKeys = {"sort", "dir", "offset", "limit"};

}  // namespace

std::uint64_t queryNumber(const std::string& key, const std::string& text, std::uint64_t max) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max)
    throw HttpError(400,
                    "\"" + key + "\": " + (text.empty() ? std::string("empty") : "\"" + text + "\"") +
                        " is not a whole number from 0 to " + std::to_string(max),
                    "bad_number", Json{{"field", key}, {"text", text}, {"max", max}});
  return value;
}

namespace {

const std::string& single(const QueryParameters& parameters, const std::string& key) {
  if (parameters.count(key) > 1)
    throw HttpError(400, "\"" + key + "\" is given more than once", "given_twice", Json{{"field", key}});
  return parameters.find(key)->second;
}

// The pages show the refusal at the field that the code's "field" names.
cli::DateTime bound(const std::string& key, const std::string& text, bool endOfDay) {
  cli::DateTime t;
  if (!cli::parsePeriodBound(text, endOfDay, t))
    throw HttpError(400,
                    "\"" + key + "\": \"" + text +
                        "\" is not a date and time of the forms YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]",
                    "bad_date", Json{{"field", key}, {"text", text}});
  return t;
}

void addModes(archive::Selection& selection, const std::string& text) {
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    selection.modes.push_back(static_cast<std::uint32_t>(queryNumber("mode", text.substr(at, end - at), 65535)));
    at = end + 1;
  }
}

HttpError notTextOrNumber(const std::string& key) {
  return HttpError(400, "\"" + key + "\" must be a text or a number", "not_text_or_number", Json{{"field", key}});
}

// A JSON filter as query parameters, so that both are checked by one code.
QueryParameters filterParameters(const Json& filter) {
  if (!filter.is_object()) throw HttpError(400, "\"filter\" must be an object", "filter_not_object");
  QueryParameters out;
  for (auto it = filter.begin(); it != filter.end(); ++it) {
    const Json& v = it.value();
    if (v.is_null()) continue;
    if (it.key() == "mode" && v.is_array()) {
      for (const Json& m : v) out.emplace("mode", m.is_string() ? m.get<std::string>() : m.dump());
    } else if (v.is_string()) {
      out.emplace(it.key(), v.get<std::string>());
    } else if (v.is_number_integer()) {
      out.emplace(it.key(), v.dump());
    } else if (v.is_boolean()) {
      if (v.get<bool>()) out.emplace(it.key(), "1");
      else if (it.key() != "unassigned") throw notTextOrNumber(it.key());
    } else {
      throw notTextOrNumber(it.key());
    }
  }
  return out;
}

// Digits name an object by its id, anything else by its name.
Json idOrName(const std::string& text) {
  const bool digits = !text.empty() && text.size() < 18 && text.find_first_not_of("0123456789") == std::string::npos;
  return digits ? Json(std::stoll(text)) : Json(text);
}

}  // namespace

archive::ObjectSummary findObjectById(archive::Archive& archive, std::int64_t id) {
  for (archive::ObjectSummary& o : archive.objects())
    if (o.id == id) return o;
  throw HttpError(404, "the archive has no object " + std::to_string(id), "no_object");
}

archive::ObjectSummary findObject(archive::Archive& archive, const Json& object) {
  if (object.is_number_integer()) return findObjectById(archive, object.get<std::int64_t>());
  if (!object.is_string()) throw HttpError(400, "\"object\" must be the object's id or name", "bad_object");
  const std::string name = object.get<std::string>();
  for (archive::ObjectSummary& o : archive.objects())
    if (o.info.name == name) return o;
  throw HttpError(404, "the archive has no object \"" + name + "\"", "no_object");
}

RecordsQuery parseRecordsQuery(const QueryParameters& parameters, bool paging, archive::Archive& archive) {
  RecordsQuery q;
  archive::Selection& s = q.selection;
  for (const auto& [key, value] : parameters) {
    if (kFilterKeys.count(key) == 0 && (!paging || kPagingKeys.count(key) == 0))
      throw HttpError(400, "unknown parameter \"" + key + "\"", "unknown_parameter", Json{{"field", key}});
    checkTextLength(key, value);
    if (key == "mode") addModes(s, value);
  }
  auto given = [&](const char* key) { return parameters.count(key) > 0; };
  if (given("object")) {
    // A name is looked up alone; only an id needs the list of objects.
    const std::string& object = single(parameters, "object");
    s.object = archive.object(object) ? object : findObject(archive, idOrName(object)).info.name;
  }
  if (given("floor")) s.floor = single(parameters, "floor");
  if (given("room")) s.room = single(parameters, "room");
  if (given("point")) s.point = single(parameters, "point");
  if (given("device")) s.device = static_cast<std::uint32_t>(queryNumber("device", single(parameters, "device"), 0xFFFFFFFF));
  if (given("from")) s.from = bound("from", single(parameters, "from"), false);
  if (given("to")) s.to = bound("to", single(parameters, "to"), true);
  if (s.from && s.to && *s.to < *s.from)
    throw HttpError(400, "\"to\" lies before \"from\"", "dates_reversed", Json{{"field", "to"}});
  if (given("unassigned")) {
    const std::string& v = single(parameters, "unassigned");
    if (v != "1" && v != "0") throw HttpError(400, "\"unassigned\" is 1 or 0", "bad_unassigned");
    s.unassigned = v == "1";
  }
  if (s.unassigned && (s.object || s.floor || s.room || s.point))
    throw HttpError(400, "\"unassigned\" selects records at no point: give it without object, floor, room or point",
                    "unassigned_with_place");
  if (!paging) return q;
  const archive::RecordOrder order = parseOrder(given("sort") ? single(parameters, "sort") : std::string(),
                                                given("dir") ? single(parameters, "dir") : std::string());
  q.sort = order.key;
  q.descending = order.descending;
  if (given("offset")) q.offset = queryNumber("offset", single(parameters, "offset"), 1ULL << 53);
  if (given("limit")) q.limit = queryNumber("limit", single(parameters, "limit"), kMaxPageRows);
  return q;
}

archive::RecordOrder parseOrder(const std::string& sort, const std::string& dir) {
  static const std::map<std::string, archive::SortKey> keys = {
      {"date", archive::SortKey::Date},     {"mode", archive::SortKey::Mode},   {"value", archive::SortKey::Value},
      {"device", archive::SortKey::Device}, {"point", archive::SortKey::Point}, {"id", archive::SortKey::Id}};
  archive::RecordOrder order;
  if (!sort.empty()) {
    const auto it = keys.find(sort);
    if (it == keys.end()) throw HttpError(400, "\"sort\" is one of date, mode, value, device, point, id", "bad_sort");
    order.key = it->second;
  }
  if (!dir.empty() && dir != "asc" && dir != "desc") throw HttpError(400, "\"dir\" is asc or desc", "bad_dir");
  order.descending = dir == "desc";
  return order;
}

archive::Selection parseRecordChoice(const Json& body, archive::Archive& archive) {
  const bool hasRecords = body.contains("records"), hasFilter = body.contains("filter");
  if (hasRecords == hasFilter)
    throw HttpError(400, "give either \"records\" (a list of ids) or \"filter\"", "records_or_filter");
  if (hasFilter) return parseRecordsQuery(filterParameters(body["filter"]), false, archive).selection;
  const Json& ids = body["records"];
  if (!ids.is_array() || ids.empty()) throw HttpError(400, "\"records\" must be a list of record ids", "bad_records");
  archive::Selection s;
  for (const Json& id : ids) {
    const std::int64_t value = requiredId(id, "every record id");
    if (!archive.hasRecord(value))
      throw HttpError(404, "the archive has no record " + std::to_string(value), "no_record", Json{{"id", value}});
    s.recordIds.push_back(value);
  }
  return s;
}

}  // namespace zel::serve
