// The JSON of requests and answers: a body read as an object (400 when it
// is none), its fields checked by type with the key named in the message,
// and the answers written with their status.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace zel::serve {

using Json = nlohmann::ordered_json;

Json bodyObject(const httplib::Request& request);
// 400 unknown_field at the first key of `body` that is none of `fields`.
void onlyFields(const Json& body, std::initializer_list<std::string_view> fields);
void onlyFields(const Json& body, std::span<const std::string_view> fields);
// 400 unknown_parameter at the first query parameter that is none of `names`.
void onlyParameters(const httplib::Request& request, std::initializer_list<std::string_view> names);
std::optional<std::string> optionalText(const Json& object, const char* key);
std::string requiredText(const Json& object, const char* key);
bool optionalFlag(const Json& object, const char* key);
std::int64_t requiredId(const Json& value, const char* what);

void sendJson(httplib::Response& response, const Json& body, int status = 200);
// {"error": message}, with "code" and "params" when a code is given.
void sendError(httplib::Response& response, int status, const std::string& message, const std::string& code = {},
               const Json& params = {});
// JSON for a <script type="application/json"> element: "<" as \u003c, so
// that no text of the archive can close the element.
std::string scriptJson(const Json& body);

}  // namespace zel::serve
