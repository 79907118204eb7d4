// Integral pages: Integral 1 CRn (ZelV_03) and Integral 2 CRn
// (ZelV_21). Two concentration lines in the normal font, right-aligned in a
// value column ending at x = 184 and an error column ending at x = 340.
#include <cstdint>

#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName03{"Integral 1 CRn    "};
constexpr Cp1251Text kName21{"Integral 2 CRn    "};
constexpr Cp1251Text kQi{"Qi =  "};
constexpr Cp1251Text kQint{"Qint =  "};
constexpr Cp1251Text kCycles{"Тактов измерения: "};
static_assert(kName03.length() == 18 && kName21.length() == 18);
static_assert(kQi.length() == 6 && kQint.length() == 8 && kCycles.length() == 18);

constexpr int kValueRight = 184;
constexpr int kErrorRight = 340;

void drawValue(Surface& s, int y, std::uint32_t v) { drawRightAligned(s, kValueRight, y, kNormalWidth, v); }
void drawError(Surface& s, int y, std::uint32_t v) { drawRightAligned(s, kErrorRight, y, kNormalWidth, v); }

// 20 % of Qint. The product is taken in 64 bits: in 32 bits it wraps from a
// Qint of 214,748,365 on. (2^32 - 1) × 20 / 100 is below 2^32, so the error
// of any stored Qint fits the text routine's 32 bits.
std::uint32_t integralOneError(std::uint32_t qint) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(qint) * 20u / 100u);
}

void drawIntegralOneBlock(Surface& s, const MeasurementRecord& r) {
  drawText(s, 34, 180, kQi);
  drawText(s, 404, 180, kBqPerM);
  drawValue(s, 180, r.primaryError());  // this mode keeps Qi in the error field
  drawText(s, 34, 220, kQint);
  drawValue(s, 220, r.primaryResult());
  drawError(s, 220, integralOneError(r.primaryResult()));
  drawText(s, 284, 220, kPlusMinus);
  drawText(s, 404, 220, kBqPerM);
  s.selectFont(FontRole::Small);
  drawText(s, 456, 176, kCubed);
  drawText(s, 456, 216, kCubed);
}

void drawIntegralTwoBlock(Surface& s, const MeasurementRecord& r) {
  s.setTextColor(kBlue);
  drawText(s, 34, 140, kCycles);
  s.setTextColor(kBlack);
  PageText cycles;
  cycles.byte(r.cycleCount()).blank();  // the low byte is the count
  cycles.draw(s, 234, 140);

  // The label Q(n) =, n being the same low byte: 7 to 9 characters of the
  // 12-character template.
  PageText label;
  label.append("Q(").byte(r.cycleCount()).append(") = ");
  label.draw(s, 34, 220);
  drawText(s, 284, 220, kPlusMinus);
  drawText(s, 404, 220, kBqPerM);
  drawValue(s, 220, r.primaryResult());
  drawError(s, 220, r.primaryError());

  drawText(s, 34, 250, kQint);
  drawValue(s, 250, r.integralResult());
  drawError(s, 250, r.integralError());
  drawText(s, 284, 250, kPlusMinus);
  drawText(s, 404, 250, kBqPerM);

  s.selectFont(FontRole::Small);
  drawText(s, 456, 216, kCubed);
  drawText(s, 456, 246, kCubed);
}

}  // namespace

void drawResultPage03(Surface& s, const MeasurementRecord& r) {
  drawPageFrame(s, FrameVariant::Tall);
  drawMeasurementHeader(s, r, kName03.view());
  drawPulseLine(s, r);
  drawIntegralOneBlock(s, r);
  drawClimateRow(s, r);
}

void drawResultPage21(Surface& s, const MeasurementRecord& r) {
  // The tall frame with its upper separator at y = 188: room for the cycle line.
  drawFrame(s, 420, {188, 368});
  drawMeasurementHeader(s, r, kName21.view());
  drawPulseLine(s, r);
  drawIntegralTwoBlock(s, r);
  drawClimateRow(s, r);
}

}  // namespace zel::pages
