#include "viewer/pages/page_blocks.h"

#include <algorithm>
#include <cstring>

#include "common/text_format.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kPulsesLabel{"Pulses:           "};
constexpr Cp1251Text kMeasurementLabel{"Measurement:      "};
constexpr Cp1251Text kModeLabel{"Measurement mode: "};
static_assert(kPulsesLabel.length() == 18 && kMeasurementLabel.length() == 18 && kModeLabel.length() == 18);

constexpr Cp1251Text kTemperatureLine{"Temperature:        °С"};
constexpr Cp1251Text kHumidityLine{"Humidity:              % "};
constexpr Cp1251Text kPressureLine{"Pressure:             mmHg"};
static_assert(kTemperatureLine.length() == 22 && kHumidityLine.length() == 25 && kPressureLine.length() == 26);

constexpr Cp1251Text kRowHumidity{"H =     % "};
constexpr Cp1251Text kRowPressure{"P =     mmHg"};
static_assert(kRowHumidity.length() == 10 && kRowPressure.length() == 12);

// The date text is drawn with the length of a four-digit year.
constexpr int kDateTextLength = 22;

// A line template copied for one call: the page writes its digits into the
// copy, so the literal itself never changes and every drawing is the same.
template <int N>
struct Line {
  char text[N];
  explicit Line(std::string_view literal) {
    std::memset(text, ' ', N);
    std::memcpy(text, literal.data(), std::min<std::size_t>(literal.size(), N));
  }
  void draw(Surface& s, int x, int y) const { s.textOut(x, y, text, N); }
};

}  // namespace

void drawLabelledCount(Surface& s, int labelX, int countX, int y, std::string_view label, std::uint32_t count) {
  s.setTextColor(kBlue);
  drawText(s, labelX, y, label);
  s.setTextColor(kBlack);
  PageText t;
  t.word(count).blank();
  t.draw(s, countX, y);
}

void drawPulseLine(Surface& s, const MeasurementRecord& r) {
  drawLabelledCount(s, 284, 404, 44, kPulsesLabel.view(), r.pulseCount());
}

void drawErrorAndUnit(Surface& s, int y, int plusMinusX, int unitX, int errorX, std::uint32_t error,
                      std::string_view unit) {
  drawText(s, plusMinusX, y, kPlusMinus);
  drawText(s, unitX, y, unit);
  PageText t;
  t.dword(error).blank();
  t.draw(s, errorX, y);
}

void drawMeasurementHeader(Surface& s, const MeasurementRecord& r, std::string_view modeName) {
  s.setTextColor(kBlue);
  drawText(s, 34, 96, kMeasurementLabel);
  drawText(s, 34, 118, kModeLabel);

  char date[kDateTimeBuffer];
  int length = static_cast<int>(formatPageDateTime(date, r) - date);
  // A year below 1000 gives a shorter text: its cells are drawn blank. A
  // five-digit year makes it longer, and then every character is drawn.
  while (length < kDateTextLength) date[length++] = ' ';

  s.setTextColor(kBlack);
  s.textOut(230, 96, date, length);
  drawText(s, 230, 118, modeName);
}

void drawClimateLines(Surface& s, const MeasurementRecord& r) {
  s.selectFont(FontRole::Normal);

  Line<22> temperature(kTemperatureLine.view());
  writeTemperatureField(temperature.text + 14, r.temperature());
  temperature.draw(s, 34, 262);

  // The humidity's units digit stays at character 20; a third digit takes
  // the blank before it.
  Line<25> humidity(kHumidityLine.view());
  char digits[4];
  const int n = static_cast<int>(formatHumidity(digits, r.humidity()) - digits);
  std::memcpy(humidity.text + 21 - n, digits, static_cast<std::size_t>(n));
  humidity.text[21] = ' ';
  humidity.draw(s, 34, 282);

  Line<26> pressure(kPressureLine.view());
  char* end = formatWord(pressure.text + 17, r.pressure());
  *end = ' ';  // five digits put this blank over the "m" of mmHg; no real pressure has them
  pressure.draw(s, 34, 302);
}

void drawClimateRow(Surface& s, const MeasurementRecord& r, std::string_view temperatureTemplate) {
  s.selectFont(FontRole::Normal);

  // Each value starts at character 4 and is followed by a blank; a longer
  // one (three digits, or a sign and up to three digits) runs into the blanks
  // before the unit, which are enough for all of them.
  Line<12> temperature(temperatureTemplate);
  *formatRowTemperature(temperature.text + 4, r.temperature()) = ' ';
  temperature.draw(s, 34, 380);

  Line<10> humidity(kRowHumidity.view());
  *formatHumidity(humidity.text + 4, r.humidity()) = ' ';
  humidity.draw(s, 202, 380);

  Line<12> pressure(kRowPressure.view());
  *formatWord(pressure.text + 4, r.pressure()) = ' ';
  pressure.draw(s, 368, 380);
}

void drawFrame(Surface& s, int bottom, std::initializer_list<int> separatorYs) {
  s.selectPen(PenRole::Frame);
  const Point outline[] = {{20, 20}, {524, 20}, {524, bottom}, {20, bottom}, {20, 20}};
  s.polyline(outline, 5);
  s.moveTo(30, 80);
  s.lineTo(510, 80);
  s.selectPen(PenRole::Separator);
  for (int y : separatorYs) {
    s.moveTo(30, y);
    s.lineTo(510, y);
  }
}

void drawPageFrame(Surface& s, FrameVariant variant) {
  if (variant == FrameVariant::Short)
    drawFrame(s, 340, {148, 248});
  else
    drawFrame(s, 420, {148, 368});
}

}  // namespace zel::pages
