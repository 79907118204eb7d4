// EEC with manual settings page: ZelV_10. The counts N1 ... N3 and
// the pumping, delay and measurement times as a small table.
#include "common/text_format.h"
#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName{" EEC with manual settings"};
constexpr Cp1251Text kN1{"N1 =  "};
constexpr Cp1251Text kN2{"N2 =  "};
constexpr Cp1251Text kN3{"N3 =  "};
constexpr Cp1251Text kTimeHeading{" Time (hours:minutes:seconds)"};
constexpr Cp1251Text kColumns{" pumping  |    delay    | measurement "};
// This program's temperature template ends in ° and a Latin C.
constexpr Cp1251Text kTemperatureTemplate{"Т =      °C "};
static_assert(kName.length() == 25 && kN1.length() == 6 && kN2.length() == 6 && kN3.length() == 6);
static_assert(kTimeHeading.length() == 29 && kColumns.length() == 38 && kTemperatureTemplate.length() == 12);

// The time line: three fields starting at characters 0, 14 and 28, each a
// blank and the time, padded with blanks to the next field; 38 characters.
// Minutes of 100 or more keep all their digits and run into the field's
// trailing blanks, so every column still starts where it did.
constexpr int kTimeLineLength = 38;
constexpr int kFieldStart[] = {0, 14, 28};

void drawTimeLine(Surface& s, const MeasurementRecord& r) {
  char line[kTimeLineLength];
  for (char& c : line) c = ' ';
  formatMinutesSeconds(line + kFieldStart[0] + 1, r.pumpingTime());     // at most 7 characters
  formatMinutesSeconds(line + kFieldStart[1] + 1, r.delayTime());       // at most 7 characters
  formatHoursMinutesSeconds(line + kFieldStart[2] + 1, r.measurementTime());  // 8 characters
  s.textOut(134, 320, line, kTimeLineLength);
}

void drawCount(Surface& s, int x, std::string_view label, std::uint32_t count) {
  PageText t;
  t.append(label).word(count).blank();
  t.draw(s, x, 180);
}

void drawCountsAndTimes(Surface& s, const MeasurementRecord& r) {
  s.setTextColor(kBlack);
  drawCount(s, 36, kN1.view(), r.countN1());
  drawCount(s, 196, kN2.view(), r.countN2());
  drawCount(s, 356, kN3.view(), r.countN3());
  s.setTextColor(kBlue);
  drawText(s, 128, 256, kTimeHeading);
  drawText(s, 120, 280, kColumns);
  s.setTextColor(kBlack);
  drawTimeLine(s, r);
}

}  // namespace

void drawResultPage10(Surface& s, const MeasurementRecord& r) {
  drawFrame(s, 420, {148, 228, 368});  // the tall frame with one more separator
  drawMeasurementHeader(s, r, kName.view());
  drawCountsAndTimes(s, r);
  drawClimateRow(s, r, kTemperatureTemplate.view());
}

}  // namespace zel::pages
