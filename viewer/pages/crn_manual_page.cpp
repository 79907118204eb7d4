// CRn with manual settings page: ZelV_25. The pumping mode, the
// three times of the measuring cycle, the pulse count N and the climate row
// with blue labels. No concentration.
#include "common/text_format.h"
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName{"CRn manual settings (ms)   "};
constexpr Cp1251Text kPumpingMode{"Pumping mode:   "};
constexpr Cp1251Text kTimed{"timed           "};
constexpr Cp1251Text kContinuous{"continuous      "};
constexpr Cp1251Text kTimeHeading{"  Time (hours:minutes:seconds)  "};
constexpr Cp1251Text kColumns{"pumping   |    delay    | measurement "};
constexpr Cp1251Text kNoDelay{" - - -  "};
constexpr Cp1251Text kCountLabel{"N =     "};
constexpr Cp1251Text kTemperatureLabel{"Т =       °С  "};
constexpr Cp1251Text kHumidityLabel{"H =       % "};
constexpr Cp1251Text kPressureLabel{"P =       mmHg  "};
static_assert(kName.length() == 27 && kPumpingMode.length() == 16 && kTimed.length() == 16 &&
              kContinuous.length() == 16 && kTimeHeading.length() == 32 && kColumns.length() == 38 &&
              kNoDelay.length() == 8 && kCountLabel.length() == 8);
static_assert(kTemperatureLabel.length() == 14 && kHumidityLabel.length() == 12 && kPressureLabel.length() == 16);

// minutes:seconds and a blank; 100 minutes or more keep all their digits and
// the text grows to the right (7 or 8 characters), short of the next column.
void drawMinutesSeconds(Surface& s, int x, int y, std::uint16_t seconds) {
  char text[16];
  char* end = formatMinutesSeconds(text, seconds);
  *end++ = ' ';
  s.textOut(x, y, text, static_cast<int>(end - text));
}

void drawPumpingBlock(Surface& s, const MeasurementRecord& r) {
  s.setTextColor(kBlue);
  drawText(s, 80, 164, kPumpingMode);
  drawText(s, 100, 204, kTimeHeading);
  drawText(s, 98, 224, kColumns);
  s.setTextColor(kBlack);
  const bool continuous = r.variantFlag() != 0;
  drawText(s, 324, 164, continuous ? kContinuous.view() : kTimed.view());
  drawMinutesSeconds(s, 114, 254, r.pumpingTime());
  if (continuous)
    drawText(s, 220, 254, kNoDelay);
  else
    drawMinutesSeconds(s, 220, 254, r.delayTime());
  char text[16];
  char* end = formatHoursMinutesSeconds(text, r.measurementTime());
  *end++ = ' ';
  s.textOut(320, 254, text, static_cast<int>(end - text));
}

void drawCountLine(Surface& s, const MeasurementRecord& r) {
  s.selectPen(PenRole::Separator);
  s.moveTo(30, 294);
  s.lineTo(510, 294);
  drawLabelledCount(s, 184, 234, 320, kCountLabel.view(), r.pulseCount());
}

void drawBlueLabelClimateRow(Surface& s, const MeasurementRecord& r) {
  s.selectFont(FontRole::Normal);
  s.setTextColor(kBlue);
  drawText(s, 34, 380, kTemperatureLabel);
  drawText(s, 202, 380, kHumidityLabel);
  drawText(s, 368, 380, kPressureLabel);
  s.setTextColor(kBlack);

  // The same five characters as the concentration pages' temperature: blank,
  // sign, two digits, blank; a magnitude of 100 ... 128 takes the leading
  // blank for its sign.
  char temperature[5];
  writeTemperatureField(temperature, r.temperature());
  s.textOut(66, 380, temperature, 5);

  PageText humidity;
  char digits[4];
  humidity.append({digits, static_cast<std::size_t>(formatHumidity(digits, r.humidity()) - digits)}).blank();
  humidity.draw(s, 246, 380);  // a third digit still ends before the "%" at x = 292

  PageText pressure;
  pressure.word(r.pressure()).blank();
  pressure.draw(s, 402, 380);
}

}  // namespace

void drawResultPage25(Surface& s, const MeasurementRecord& r) {
  drawPumpingBlock(s, r);
  drawMeasurementHeader(s, r, kName.view());
  drawCountLine(s, r);
  drawBlueLabelClimateRow(s, r);
  drawPageFrame(s, FrameVariant::Tall);  // last
}

}  // namespace zel::pages
