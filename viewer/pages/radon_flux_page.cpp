// Radon flux page: ZelV_06. The flux density and its error in
// mBq/(s·m²) and the method the instrument used.
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName{"Radon flux  "};
constexpr Cp1251Text kMethod1{"(Method 1)"};
constexpr Cp1251Text kMethod2{"(Method 2)"};
constexpr Cp1251Text kUnit{"mBq/s*m "};
constexpr Cp1251Text kLabel{"Q    = "};
constexpr Cp1251Text kSubscript{"Radon flux"};
constexpr Cp1251Text kSquared{"2 "};
static_assert(kName.length() == 12 && kMethod1.length() == 10 && kMethod2.length() == 10);
static_assert(kUnit.length() == 8 && kLabel.length() == 7 && kSubscript.length() == 10 && kSquared.length() == 2);

void drawFluxBlock(Surface& s, const MeasurementRecord& r) {
  // Any nonzero flag is the second method.
  drawText(s, 390, 118, r.variantFlag() == 0 ? kMethod1.view() : kMethod2.view());
  drawErrorAndUnit(s, 200, 324, 424, 358, r.primaryError(), kUnit.view());
  s.selectFont(FontRole::Large);
  drawText(s, 24, 180, kLabel);
  drawRightAligned(s, 262, 180, kLargeWidth, r.primaryResult());
  s.selectFont(FontRole::Small);
  drawText(s, 62, 205, kSubscript);
  drawText(s, 504, 196, kSquared);
}

}  // namespace

void drawResultPage06(Surface& s, const MeasurementRecord& r) {
  drawPageFrame(s, FrameVariant::Short);
  drawPulseLine(s, r);
  drawMeasurementHeader(s, r, kName.view());
  drawFluxBlock(s, r);
  drawClimateLines(s, r);
}

}  // namespace zel::pages
