#include "browser/file_name.h"

namespace zel::browser {

namespace {

bool isEither(char c, char lower, char upper) { return c == lower || c == upper; }

}  // namespace

bool hasKvdExtension(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view ext = name.substr(name.size() - 4);
  return ext[0] == '.' && isEither(ext[1], 'k', 'K') && isEither(ext[2], 'v', 'V') && isEither(ext[3], 'd', 'D');
}

NameCheck checkFileName(std::string_view name) {
  if (name.size() > kMaxFileNameLength) return NameCheck::TooLong;
  return hasKvdExtension(name) ? NameCheck::Ok : NameCheck::NotKvd;
}

std::string exportFileName(std::string_view loadedName) {
  std::string out(loadedName);
  if (out.size() >= 3) out.replace(out.size() - 3, 3, "dif");
  return out;
}

}  // namespace zel::browser
