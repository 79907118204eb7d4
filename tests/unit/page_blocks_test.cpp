// The page building blocks and the page text helpers, through
// RecordingSurface: texts with position, font and colour; lines with pens.
#include "viewer/pages/page_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_test_support.h"
#include "viewer/pages/page_text.h"

namespace zel::pages {
namespace {

using namespace zel::pages::test;

std::vector<std::string> describeAll(const std::vector<Txt>& texts) {
  std::vector<std::string> out;
  for (const Txt& t : texts) out.push_back(describe(t));
  return out;
}

template <typename F>
std::string run(F f, std::uint32_t v) {
  char buf[32];
  for (char& c : buf) c = '#';
  char* end = f(buf, v);
  EXPECT_EQ(buf[end - buf], '#') << "wrote past its end";
  return std::string(buf, end);
}

// --- text helpers ----------------------------------------------------------

TEST(PageText, MinutesSecondsKeepEveryMinuteDigit) {
  struct {
    std::uint16_t seconds;
    const char* text;
  } cases[] = {
      {0, "00:00"},     {59, "00:59"},     {90, "01:30"},     {300, "05:00"},
      {5999, "99:59"},  {6000, "100:00"},  {7200, "120:00"},  {15360, "256:00"},
      {59999, "999:59"}, {60000, "1000:00"}, {65535, "1092:15"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(run([](char* o, std::uint32_t v) { return formatMinutesSeconds(o, static_cast<std::uint16_t>(v)); },
                  c.seconds),
              c.text)
        << c.seconds;
}

struct TemperatureCase {
  std::uint32_t field;  // the stored 16-bit word; its low byte is the value
  const char* fiveCharacters;  // the concentration pages' form
  const char* row;             // the one-row form, before its blank
};

const TemperatureCase kTemperatures[] = {
    {23, "  23 ", "23"},    {0, "   0 ", "00"},      {5, "   5 ", "05"},     {99, "  99 ", "99"},
    {100, " 100 ", "100"},  {105, " 105 ", "105"},   {127, " 127 ", "127"},  {251, " - 5 ", "-5"},
    {0xFFFB, " - 5 ", "-5"}, {0x0119, "  25 ", "25"}, {246, " -10 ", "-10"}, {157, " -99 ", "-99"},
    {156, "-100 ", "-100"}, {129, "-127 ", "-127"},  {128, "-128 ", "-128"}, {255, " - 1 ", "-1"},
};

TEST(PageText, PageTextStopsAtItsCapacity) {
  PageText t;
  for (int i = 0; i < 20; ++i) t.dword(4294967295u);
  EXPECT_EQ(t.length(), PageText::kCapacity);
}

// --- blocks ----------------------------------------------------------------

TEST(PageBlocks, PulseLineBlueLabelThenBlackCount) {
  RecordingSurface s;
  s.setTextColor(kBlue);  // whatever colour is current, the block sets its own
  drawPulseLine(s, sampleRecord());
  EXPECT_EQ(describe(s), describeAll({{284, 44, "Pulses:           ", FontRole::Normal, kBlue},
                                      {404, 44, "1234 ", FontRole::Normal, kBlack}}));
  EXPECT_EQ(s.textColor(), kBlack);

  RecordingSurface t;
  drawPulseLine(t, withFields(sampleRecord(), "pulseCount=65535"));
  EXPECT_EQ(t.textAt(404, 44)->text, "65535 ");
}

TEST(PageBlocks, MeasurementHeader) {
  RecordingSurface s;
  drawMeasurementHeader(s, sampleRecord(), "CRn 60");
  EXPECT_EQ(describe(s), describeAll({{34, 96, "Measurement:      ", FontRole::Normal, kBlue},
                                      {34, 118, "Measurement mode: ", FontRole::Normal, kBlue},
                                      {230, 96, "05.07.2019    09:04:07", FontRole::Normal, kBlack},
                                      {230, 118, "CRn 60", FontRole::Normal, kBlack}}));
  EXPECT_EQ(s.textColor(), kBlack);
}

TEST(PageBlocks, HeaderDateIsAlways22CellsOrAllItsCharacters) {
  MeasurementRecord zero;
  RecordingSurface s;
  drawMeasurementHeader(s, zero, "x");
  // A year below 1000 leaves cells that are drawn blank.
  EXPECT_EQ(s.textAt(230, 96)->text, "00.00.0    00:00:00   ");

  RecordingSurface t;
  drawMeasurementHeader(t, withFields(sampleRecord(), "year=10000"), "x");
  EXPECT_EQ(t.textAt(230, 96)->text, "05.07.10000    09:04:07");
}

std::string temperatureLine(const std::string& field) { return "Temperature:  " + field + " " + kDeg + kEs; }

TEST(PageBlocks, ClimateLinesSelectTheNormalFontAndKeepTheColour) {
  RecordingSurface s(FontRole::Large);
  drawClimateLines(s, sampleRecord());
  EXPECT_EQ(describe(s),
            describeAll({{34, 262, "Temperature:    23  " + kDeg + kEs, FontRole::Normal, kBlack},
                         {34, 282, "Humidity:          45  % ", FontRole::Normal, kBlack},
                         {34, 302, "Pressure:        745  mmHg", FontRole::Normal, kBlack}}));
  RecordingSurface blue(FontRole::Small, kBlue);
  drawClimateLines(blue, sampleRecord());
  for (const DrawCall& c : blue.calls) EXPECT_EQ(c.textColor, kBlue);
}

TEST(PageBlocks, ClimateLineTemperatures) {
  for (const TemperatureCase& c : kTemperatures) {
    RecordingSurface s;
    drawClimateLines(s, withFields(sampleRecord(), "temperature=" + std::to_string(c.field)));
    const std::string expected = temperatureLine(c.fiveCharacters);
    ASSERT_EQ(expected.size(), 22u);
    EXPECT_EQ(s.textAt(34, 262)->text, expected) << c.field;
  }
}

TEST(PageBlocks, ClimateLineHumidityAndPressure) {
  struct {
    std::uint32_t humidity;
    const char* line;
  } humidities[] = {
      {45, "Humidity:          45  % "},  {5, "Humidity:          05  % "},
      {99, "Humidity:          99  % "},  {100, "Humidity:         100  % "},
      {255, "Humidity:         255  % "}, {300, "Humidity:          44  % "},
  };
  for (const auto& c : humidities) {
    RecordingSurface s;
    drawClimateLines(s, withFields(sampleRecord(), "humidity=" + std::to_string(c.humidity)));
    EXPECT_EQ(s.textAt(34, 282)->text, c.line) << c.humidity;
  }
  struct {
    std::uint32_t pressure;
    const char* line;
  } pressures[] = {
      {745, "Pressure:        745  mmHg"}, {0, "Pressure:        0    mmHg"},
      {1013, "Pressure:        1013 mmHg"},
      // Five digits (no real pressure): the trailing blank lies over the first m.
      {10000, "Pressure:        10000 mHg"},
  };
  for (const auto& c : pressures) {
    RecordingSurface s;
    drawClimateLines(s, withFields(sampleRecord(), "pressure=" + std::to_string(c.pressure)));
    EXPECT_EQ(s.textAt(34, 302)->text, c.line) << c.pressure;
  }
}

TEST(PageBlocks, ClimateRow) {
  RecordingSurface s(FontRole::Small);
  drawClimateRow(s, sampleRecord());
  EXPECT_EQ(describe(s), describeAll({{34, 380, kTe + " = 23   " + kDeg + kEs + " ", FontRole::Normal, kBlack},
                                      {202, 380, "H = 45  % ", FontRole::Normal, kBlack},
                                      {368, 380, "P = 745 mmHg", FontRole::Normal, kBlack}}));
}

TEST(PageBlocks, ClimateRowShowsTheSignedTemperature) {
  for (const TemperatureCase& c : kTemperatures) {
    RecordingSurface s;
    drawClimateRow(s, withFields(sampleRecord(), "temperature=" + std::to_string(c.field)));
    std::string value = std::string(c.row) + " ";
    value.resize(5, ' ');
    EXPECT_EQ(s.textAt(34, 380)->text, kTe + " = " + value + kDeg + kEs + " ") << c.field;
  }
}

TEST(PageBlocks, ClimateRowHumidityPressureAndTemplate) {
  RecordingSurface s;
  drawClimateRow(s, withFields(sampleRecord(), "humidity=100 pressure=10000"), kTe + " =      " + kDeg + "C ");
  EXPECT_EQ(s.textAt(34, 380)->text, kTe + " = 23   " + kDeg + "C ");
  EXPECT_EQ(s.textAt(202, 380)->text, "H = 100 % ");
  // Five digits of pressure: the blank after them lies over the unit.
  EXPECT_EQ(s.textAt(368, 380)->text, "P = 10000 Hg");
}

TEST(PageBlocks, Frames) {
  RecordingSurface s;
  drawPageFrame(s, FrameVariant::Short);
  EXPECT_EQ(describe(s), (std::vector<std::string>{
                             "polyline frame (20,20) (524,20) (524,340) (20,340) (20,20)",
                             move(30, 80), line(30, 80, 510, 80, PenRole::Frame),
                             move(30, 148), line(30, 148, 510, 148, PenRole::Separator),
                             move(30, 248), line(30, 248, 510, 248, PenRole::Separator)}));
  RecordingSurface t;
  drawPageFrame(t, FrameVariant::Tall);
  EXPECT_EQ(describe(t), (std::vector<std::string>{
                             "polyline frame (20,20) (524,20) (524,420) (20,420) (20,20)",
                             move(30, 80), line(30, 80, 510, 80, PenRole::Frame),
                             move(30, 148), line(30, 148, 510, 148, PenRole::Separator),
                             move(30, 368), line(30, 368, 510, 368, PenRole::Separator)}));
}

}  // namespace
}  // namespace zel::pages
