// CRn channel background page: ZelV_04. The intrinsic background
// of the radon channel and its error; no climate data.
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName{" CRn channel background  "};
constexpr Cp1251Text kCaption{"Intrinsic background of radiometer "};
static_assert(kName.length() == 25 && kCaption.length() == 35);

void drawBackgroundBlock(Surface& s, const MeasurementRecord& r) {
  s.setTextColor(kBlue);
  drawText(s, 124, 180, kCaption);
  s.setTextColor(kBlack);
  drawErrorAndUnit(s, 250, 264, 364, 288, r.primaryError());
  s.selectFont(FontRole::Small);
  drawText(s, 416, 246, kCubed);
  s.selectFont(FontRole::Large);
  drawRightAligned(s, 184, 230, kLargeWidth, r.primaryResult());
}

}  // namespace

void drawResultPage04(Surface& s, const MeasurementRecord& r) {
  drawPageFrame(s, FrameVariant::Tall);
  drawMeasurementHeader(s, r, kName.view());
  drawPulseLine(s, r);
  drawBackgroundBlock(s, r);
}

}  // namespace zel::pages
