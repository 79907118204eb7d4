#include "kvd/serve/text_limit.h"

#include <httplib.h>

#include "kvd/serve/http_error.h"

namespace zel::serve {

void checkTextLength(const std::string& name, std::string_view value) {
  if (value.size() <= kMaxTextCharacters) return;
  std::size_t characters = 0;
  for (const char c : value)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  if (characters <= kMaxTextCharacters) return;
  throw HttpError(400,
                  "\"" + name + "\" is too long: " + std::to_string(characters) + " characters, at most " +
                      std::to_string(kMaxTextCharacters),
                  "text_too_long", Json{{"field", name}, {"limit", kMaxTextCharacters}});
}

void checkParameterLengths(const httplib::Request& request) {
  for (const auto& [name, value] : request.params) checkTextLength(name, value);
}

}  // namespace zel::serve
