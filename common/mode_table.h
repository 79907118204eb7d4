// The instrument's measurement modes: names for the browser's list, the
// category that chooses the value columns, and the viewer program per code.
#pragma once

#include <cstdint>

namespace zel {

struct ModeNameEntry {
  std::uint16_t drawnLength;
  char name[28];  // left-aligned, padded with blanks
};

inline constexpr int kModeCount = 27;

// The codes whose records the browser, the pages and the companion treat by
// their own rules.
inline constexpr std::uint16_t kModeIntegral1 = 3;
inline constexpr std::uint16_t kModeBackground = 4;
inline constexpr std::uint16_t kModeWater = 5;
inline constexpr std::uint16_t kModeFlux = 6;
inline constexpr std::uint16_t kModeEecBackground = 7;
inline constexpr std::uint16_t kModeEecManual = 10;
inline constexpr std::uint16_t kModeAir = 18;
inline constexpr std::uint16_t kModeSoil = 19;
inline constexpr std::uint16_t kModeEecThoron = 20;
inline constexpr std::uint16_t kModeIntegral2 = 21;
inline constexpr std::uint16_t kModeThoron = 24;
inline constexpr std::uint16_t kModeCrnManual = 25;

// Category values: byte offsets into the list's table of column positions.
enum ModeCategory : std::uint8_t {
  kCategoryRadon = 0,
  kCategoryEec = 2,
  kCategoryManual = 4,
};

// Codes outside 0 ... 26 read as the shared "???" entry of category 0.
const ModeNameEntry& modeName(std::uint32_t code);
std::uint8_t modeCategory(std::uint32_t code);
// Whether a viewer program exists for the code (20 of the 27 codes).
bool hasViewerProgram(std::uint32_t code);
// "ZelV_" and the low byte of the code in two digits; returns the end.
char* formatViewerProgramName(char* out, std::uint32_t code);

}  // namespace zel
