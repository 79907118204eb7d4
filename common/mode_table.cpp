#include "common/mode_table.h"

#include <initializer_list>

#include "common/text_format.h"

namespace zel {
namespace {

constexpr ModeNameEntry entry(const char* name, std::uint16_t drawn) {
  ModeNameEntry e{drawn, {}};
  int i = 0;
  for (; name[i] != '\0'; ++i) e.name[i] = name[i];
  for (; i < 28; ++i) e.name[i] = ' ';
  return e;
}

constexpr ModeNameEntry kUnknown = entry("???", 18);

// Entries of their own, by code; codes that share "???" point at kUnknown.
constexpr ModeNameEntry kNames[kModeCount] = {
    kUnknown,
    entry("CRn 20 estimate", 16),
    entry("CRn 20", 7),
    entry("Integral 1 CRn", 15),
    entry("CRn channel background", 23),
    entry("Radon in water", 14),
    entry("Radon flux", 11),
    entry("EEC channel background", 22),
    kUnknown,
    kUnknown,
    entry("EEC with manual settings", 24),
    kUnknown,
    entry("CRn 20 without blower (wb)", 26),
    entry("CRn 60 without blower (wb)", 26),
    entry("EEC  - 5", 28),
    entry("EEC  - 2", 28),
    kUnknown,
    kUnknown,
    entry("Radon in air", 25),
    entry("Radon in soil", 28),
    entry("EEC Thoron", 28),
    entry("Integral 2 CRn", 25),
    entry("EEC  - 10", 10),
    entry("Integral EEC", 23),
    entry("CTn", 4),
    entry("CRn with manual settings", 28),
    entry("CRn 60", 6),
};

constexpr std::uint16_t kCategories[kModeCount] = {
    0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 4, 0, 0, 0, 2, 2, 0, 0, 0, 0, 2, 0, 2, 2, 0, 4, 0,
};

constexpr bool kHasViewer[kModeCount] = {
    false, true, true, true,  true,  true, true, true, false, false, true, false, true, true,
    true,  true, false, false, true, true, true, true, true,  false, true, true,  true,
};

}  // namespace

const ModeNameEntry& modeName(std::uint32_t code) {
  static constexpr const ModeNameEntry& shared = kUnknown;
  return code < kModeCount ? kNames[code] : shared;
}

std::uint8_t modeCategory(std::uint32_t code) {
  return code < kModeCount ? static_cast<std::uint8_t>(kCategories[code] & 0xFF) : static_cast<std::uint8_t>(kCategoryRadon);
}

bool hasViewerProgram(std::uint32_t code) { return code < kModeCount && kHasViewer[code]; }

char* formatViewerProgramName(char* out, std::uint32_t code) {
  for (char c : {'Z', 'e', 'l', 'V', '_'}) *out++ = c;
  return format2DigitsPlain(out, code);
}

}  // namespace zel
