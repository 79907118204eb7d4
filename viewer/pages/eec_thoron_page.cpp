// EEC Thoron page: ZelV_20. EEC(Tn) with its error and the delay
// time in whole minutes.
#include "common/text_format.h"
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName{"EEC Thoron  "};
constexpr Cp1251Text kEecTn{"EEC(Tn)   = "};
constexpr Cp1251Text kDelay{"Delay time   =    "};
static_assert(kName.length() == 12 && kEecTn.length() == 12 && kDelay.length() == 18);

// Two blanks, the minutes, ":00" and a blank: 8 characters with two digits.
// This mode keeps the delay in whole minutes; below 100 they are two digits
// with a leading zero, from 100 on all their digits, which take the leading
// blanks so that the colon stays in its column (8 characters up to 9999
// minutes, 9 beyond).
void drawDelay(Surface& s, const MeasurementRecord& r) {
  const unsigned minutes = r.delayTime();
  char digits[8];
  const char* end = minutes < 100 ? format2Digits(digits, minutes) : formatWord(digits, minutes);
  const int n = static_cast<int>(end - digits);
  PageText t;
  t.blank(n < 4 ? 4 - n : 0).append({digits, static_cast<std::size_t>(n)}).append(":00 ");
  t.draw(s, 240, 230);
}

void drawThoronBlock(Surface& s, const MeasurementRecord& r) {
  drawErrorAndUnit(s, 180, 324, 424, 358, r.primaryError());
  drawText(s, 34, 180, kEecTn);
  // Placed by the large font's width although drawn in the normal font, as
  // the instrument's program does: the digits end at 262 - 13 n.
  drawRightAligned(s, 262, 180, kLargeWidth, r.primaryResult());
  drawText(s, 34, 230, kDelay);
  drawDelay(s, r);
  s.selectFont(FontRole::Small);
  drawText(s, 476, 176, kCubed);
}

}  // namespace

void drawResultPage20(Surface& s, const MeasurementRecord& r) {
  drawPageFrame(s, FrameVariant::Tall);  // first: the texts lie over it
  drawMeasurementHeader(s, r, kName.view());
  drawClimateRow(s, r);
  drawThoronBlock(s, r);
}

}  // namespace zel::pages
