#include "kvd/serve/json_io.h"

#include <httplib.h>

#include <algorithm>

#include "kvd/export/writers.h"
#include "kvd/serve/http_error.h"

namespace zel::serve {

Json bodyObject(const httplib::Request& request) {
  Json body = Json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object())
    throw HttpError(400, "the request body is not a JSON object", "body_not_object");
  return body;
}

void onlyFields(const Json& body, std::initializer_list<std::string_view> fields) {
  onlyFields(body, std::span<const std::string_view>(fields.begin(), fields.size()));
}

void onlyFields(const Json& body, std::span<const std::string_view> fields) {
  for (auto it = body.begin(); it != body.end(); ++it) {
    bool known = false;
    std::string list;
    for (const std::string_view field : fields) {
      known = known || it.key() == field;
      list += (list.empty() ? "" : ", ") + std::string(field);
    }
    if (!known)
      throw HttpError(400, "unknown field \"" + it.key() + "\" (" + list + ")", "unknown_field",
                      Json{{"field", it.key()}});
  }
}

void onlyParameters(const httplib::Request& request, std::initializer_list<std::string_view> names) {
  for (const auto& [key, value] : request.params)
    if (std::find(names.begin(), names.end(), key) == names.end())
      throw HttpError(400, "unknown parameter \"" + key + "\"", "unknown_parameter", Json{{"field", key}});
}

std::optional<std::string> optionalText(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return std::nullopt;
  if (!it->is_string())
    throw HttpError(400, std::string("\"") + key + "\" must be a text", "not_text", Json{{"field", key}});
  return it->get<std::string>();
}

std::string requiredText(const Json& object, const char* key) {
  std::optional<std::string> text = optionalText(object, key);
  if (!text) throw HttpError(400, std::string("\"") + key + "\" is missing", "missing", Json{{"field", key}});
  return *text;
}

bool optionalFlag(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return false;
  if (!it->is_boolean())
    throw HttpError(400, std::string("\"") + key + "\" must be true or false", "not_flag", Json{{"field", key}});
  return it->get<bool>();
}

std::int64_t requiredId(const Json& value, const char* what) {
  if (!value.is_number_integer()) throw HttpError(400, std::string(what) + " must be a whole number", "not_id");
  return value.get<std::int64_t>();
}

void sendJson(httplib::Response& response, const Json& body, int status) {
  response.status = status;
  response.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json; charset=utf-8");
}

void sendError(httplib::Response& response, int status, const std::string& message, const std::string& code,
               const Json& params) {
  Json body{{"error", cli::validUtf8(message)}};
  if (!code.empty()) {
    body["code"] = code;
    if (!params.is_null()) body["params"] = params;
  }
  sendJson(response, body, status);
}

std::string scriptJson(const Json& body) {
  const std::string text = body.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') out += "\\u003c";
    else out += c;
  }
  return out;
}

}  // namespace zel::serve
