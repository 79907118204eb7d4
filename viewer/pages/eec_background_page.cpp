// EEC channel background page: ZelV_07. The intrinsic background
// Nk of the EEC channel, stored in the coefficient field Ca.
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

// The page's own name for the mode; the mode table says "EEC channel background".
constexpr Cp1251Text kName{"EEC background "};
constexpr Cp1251Text kCaption{"Intrinsic background of radiometer "};
constexpr Cp1251Text kNk{"Nk ="};
static_assert(kName.length() == 15 && kCaption.length() == 35 && kNk.length() == 4);

void drawBackgroundBlock(Surface& s, const MeasurementRecord& r) {
  s.setTextColor(kBlue);
  drawText(s, 134, 180, kCaption);
  drawText(s, 194, 210, kNk);
  s.setTextColor(kBlack);
  PageText value;
  value.fixed3(r.caBits()).blank();
  value.draw(s, 244, 210);
}

}  // namespace

void drawResultPage07(Surface& s, const MeasurementRecord& r) {
  drawPageFrame(s, FrameVariant::Tall);
  drawMeasurementHeader(s, r, kName.view());
  drawBackgroundBlock(s, r);
}

}  // namespace zel::pages
