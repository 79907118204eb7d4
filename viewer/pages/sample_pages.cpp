// Sample pages: radon in water (ZelV_05), air (ZelV_18) and soil
// (ZelV_19). One layout; the label, subscript and right edge differ.
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

struct SampleMode {
  std::string_view name;       // 20 characters
  std::string_view label;      // large font, 6 characters, at (24,180)
  std::string_view subscript;  // small font
  int subscriptX;
  int subscriptY;
  int right;  // where the large number ends
  // Water and air: a result that reaches under the subscript leaves it out.
  // The soil page keeps its established layout, in which an eight-digit
  // result runs under "soil ".
  bool subscriptGivesWay;
};

constexpr Cp1251Text kWaterName{"Radon in water      "};
constexpr Cp1251Text kAirName{"Radon in air        "};
constexpr Cp1251Text kSoilName{"Radon in soil       "};
constexpr Cp1251Text kQ3{"Q   = "};
constexpr Cp1251Text kQ2{"Q  =  "};
constexpr Cp1251Text kWater{"water"};
constexpr Cp1251Text kSample{"sample"};
constexpr Cp1251Text kSoil{"soil "};
static_assert(kWaterName.length() == 20 && kAirName.length() == 20 && kSoilName.length() == 20);
static_assert(kQ3.length() == 6 && kQ2.length() == 6);
static_assert(kWater.length() == 5 && kSample.length() == 6 && kSoil.length() == 5);

constexpr SampleMode kWaterMode{kWaterName.view(), kQ3.view(), kWater.view(), 66, 204, 234, true};
constexpr SampleMode kAirMode{kAirName.view(), kQ3.view(), kSample.view(), 62, 206, 248, true};
constexpr SampleMode kSoilMode{kSoilName.view(), kQ2.view(), kSoil.view(), 60, 208, 258, false};

// Result and error are both shown with every digit of the stored 32-bit
// values, on all three pages.
void drawSampleBlock(Surface& s, const MeasurementRecord& r, const SampleMode& m) {
  drawErrorAndUnit(s, 200, 324, 424, 358, r.primaryError());
  s.selectFont(FontRole::Small);
  drawText(s, 476, 196, kCubed);
  s.selectFont(FontRole::Large);
  drawText(s, 24, 180, m.label);

  PageText result;
  result.dword(r.primaryResult());
  const int resultX = rightAlignedX(m.right, kLargeWidth, result.length());
  result.draw(s, resultX, 180);

  // The subscript is drawn after the number, over the label's blanks. A
  // water or air result of seven or more digits reaches under it: there the
  // subscript is left out rather than drawn over the first digits (the mode
  // name in the header still says which sample it is).
  const int subscriptEnd = m.subscriptX + kSmallWidth * static_cast<int>(m.subscript.size());
  if (m.subscriptGivesWay && resultX < subscriptEnd) return;
  s.selectFont(FontRole::Small);
  drawText(s, m.subscriptX, m.subscriptY, m.subscript);
}

void drawSamplePage(Surface& s, const MeasurementRecord& r, const SampleMode& m) {
  drawPageFrame(s, FrameVariant::Short);  // first: the texts lie over it
  drawPulseLine(s, r);
  drawMeasurementHeader(s, r, m.name);
  drawSampleBlock(s, r, m);
  drawClimateLines(s, r);
}

}  // namespace

void drawResultPage05(Surface& s, const MeasurementRecord& r) { drawSamplePage(s, r, kWaterMode); }
void drawResultPage18(Surface& s, const MeasurementRecord& r) { drawSamplePage(s, r, kAirMode); }
void drawResultPage19(Surface& s, const MeasurementRecord& r) { drawSamplePage(s, r, kSoilMode); }

}  // namespace zel::pages
