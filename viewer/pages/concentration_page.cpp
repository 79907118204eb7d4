// Concentration page: ZelV_01, ZelV_02, ZelV_12, ZelV_13, ZelV_24
// and ZelV_26 draw the same page and differ only in their mode-name literal.
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

// The trailing blanks are part of each literal and erase what lies beneath.
constexpr Cp1251Text kName01{"CRn 20 estimate            "};
constexpr Cp1251Text kName02{"CRn 20                     "};
constexpr Cp1251Text kName12{"CRn 20 without blower (wb) "};
constexpr Cp1251Text kName13{"CRn 60 without blower (wb)"};
constexpr Cp1251Text kName24{"CTn                        "};
constexpr Cp1251Text kName26{"CRn 60                     "};
static_assert(kName01.length() == 27 && kName02.length() == 27 && kName12.length() == 27 &&
              kName13.length() == 26 && kName24.length() == 27 && kName26.length() == 27);

// The stored 32-bit result and error are shown with every digit: their low
// 16 bits alone would show 70000 as 4464.
void drawConcentrationBlock(Surface& s, const MeasurementRecord& r) {
  drawErrorAndUnit(s, 200, 304, 404, 328, r.primaryError());
  s.selectFont(FontRole::Small);
  drawText(s, 456, 196, kCubed);
  s.selectFont(FontRole::Large);
  drawRightAligned(s, 224, 180, kLargeWidth, r.primaryResult());
}

void drawConcentrationPage(Surface& s, const MeasurementRecord& r, std::string_view modeName) {
  drawPulseLine(s, r);
  drawMeasurementHeader(s, r, modeName);
  drawConcentrationBlock(s, r);
  drawClimateLines(s, r);
  drawPageFrame(s, FrameVariant::Short);  // last, over whatever lies under its lines
}

}  // namespace

void drawResultPage01(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName01.view()); }
void drawResultPage02(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName02.view()); }
void drawResultPage12(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName12.view()); }
void drawResultPage13(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName13.view()); }
void drawResultPage24(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName24.view()); }
void drawResultPage26(Surface& s, const MeasurementRecord& r) { drawConcentrationPage(s, r, kName26.view()); }

}  // namespace zel::pages
