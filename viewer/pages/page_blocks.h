// The page building blocks shared by the result pages, and the fixed texts
// that many pages draw.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "common/cp1251.h"
#include "common/record.h"
#include "common/surface.h"
#include "viewer/pages/page_text.h"

namespace zel::pages {

// Fixed texts of the result lines (Windows-1251: "±" is 0xB1).
inline constexpr Cp1251Text kPlusMinus{" ±"};
inline constexpr Cp1251Text kBqPerM{" Bq/m "};
inline constexpr Cp1251Text kCubed{"3 "};  // the raised 3 of m³, small font
static_assert(kPlusMinus.length() == 2 && kBqPerM.length() == 6 && kCubed.length() == 2);

// The temperature template of the one-row climate block: Cyrillic Т, and °
// followed by the Cyrillic С. ZelV_10 has its own, with a Latin C.
inline constexpr Cp1251Text kRowTemperatureTemplate{"Т =      °С "};
static_assert(kRowTemperatureTemplate.length() == 12);

// Blue "Pulses:" at (284,44), then the count and a blank in black at (404,44).
void drawPulseLine(Surface& s, const MeasurementRecord& r);

// A blue label, then in black a 16-bit count and a blank. Ends with black text.
void drawLabelledCount(Surface& s, int labelX, int countX, int y, std::string_view label, std::uint32_t count);

// The error part of a result line, in the current font and colour, in this
// order: " ±" at plusMinusX, the unit at unitX, then the error with all its
// digits and a blank at errorX.
void drawErrorAndUnit(Surface& s, int y, int plusMinusX, int unitX, int errorX, std::uint32_t error,
                      std::string_view unit = kBqPerM.view());

// Blue "Measurement:" and "Measurement mode:" labels; in black the date and
// time at (230,96) and the program's mode name, drawn with its own length,
// at (230,118). Ends with black text.
void drawMeasurementHeader(Surface& s, const MeasurementRecord& r, std::string_view modeName);

// Temperature, humidity and pressure on three lines at y = 262, 282, 302, in
// the normal font (selected here) and the current text colour.
void drawClimateLines(Surface& s, const MeasurementRecord& r);

// Temperature, humidity and pressure on one row at y = 380, in the normal
// font (selected here) and the current text colour. The temperature template
// is the program's (12 characters).
void drawClimateRow(Surface& s, const MeasurementRecord& r,
                    std::string_view temperatureTemplate = kRowTemperatureTemplate.view());

enum class FrameVariant {
  Short,  // bottom at 340, separators at 148 and 248 (Parts 5.1, 5.2, 5.3)
  Tall,   // bottom at 420, separators at 148 and 368 (Parts 4.x, 5.4, 5.5, 5.6)
};
void drawPageFrame(Surface& s, FrameVariant variant);

// The frame of every page: the frame pen's closed polyline from (20,20) to
// (524,bottom) and its line at y = 80, then the separator pen's lines from
// x = 30 to 510 at each y given. The pages with their own frames (Integral 2,
// EEC with manual settings) call it with their separators.
void drawFrame(Surface& s, int bottom, std::initializer_list<int> separatorYs);

}  // namespace zel::pages
