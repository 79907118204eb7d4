// The CSV style on Windows: the user's regional settings, as Excel reads
// them when it opens a CSV file there.
#include "kvd/io/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zel::cli::platform {

namespace {

// One plain ASCII character of a regional setting, or the fallback.
char regionalCharacter(LCTYPE type, char fallback) {
  char value[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, value, sizeof value) != 2) return fallback;
  const unsigned char c = static_cast<unsigned char>(value[0]);
  if (c < 0x20 || c >= 0x7F || c == '"') return fallback;
  return value[0];
}

}  // namespace

CsvStyle defaultCsvStyle() {
  return {regionalCharacter(LOCALE_SLIST, ','), regionalCharacter(LOCALE_SDECIMAL, '.'), true, true};
}

std::string_view defaultCsvStyleHelp() { return "the regional list separator and decimal symbol"; }

}  // namespace zel::cli::platform
