// How long a text that names something in a request may be: the value of
// a query parameter, or of a filter's key in a POST. Names of rooms and
// points are short, and a request's first line past 8 KiB is not read at
// all (cpp-httplib answers 414), so a longer text is refused by name
// before anything is looked up.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
}

namespace zel::serve {

inline constexpr std::size_t kMaxTextCharacters = 500;

// Throws HttpError 400 naming `name` and the limit (code "text_too_long",
// params "field" and "limit") when `value` has more characters, counted as
// the UTF-8 characters that a user typed.
void checkTextLength(const std::string& name, std::string_view value);
// Every query parameter of the request.
void checkParameterLengths(const httplib::Request& request);

}  // namespace zel::serve
