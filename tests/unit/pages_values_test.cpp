// The result pages with stored values that need more than the usual digits
// or 16 bits, each at its place, and what holds for every page: its fonts
// and an all-zero record drawn without a fault.
#include "viewer/pages/pages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "page_test_support.h"

namespace zel::pages {
namespace {

using namespace zel::pages::test;

using Hook = void (*)(Surface&, const MeasurementRecord&);

constexpr FontRole S = FontRole::Small;
constexpr FontRole N = FontRole::Normal;
constexpr FontRole L = FontRole::Large;

// --- stored values wider than two digits or 16 bits -----------------------

struct WideValue {
  const char* what;
  Hook hook;
  const char* fields;  // set over the sample record
  Txt expected;
};

void PrintTo(const WideValue& m, std::ostream* os) { *os << m.what; }

const std::string kRowDegrees = kDeg + kEs + " ";

const WideValue kWideValues[] = {
    // Concentration pages: result and error with all their digits; the result
    // still ends at x = 224.
    {"conc result 70000", drawResultPage01, "primaryResult=70000", {114, 180, "70000", L, kBlack}},
    {"conc result max", drawResultPage24, "primaryResult=4294967295",
     {4, 180, "4294967295", L, kBlack}},
    {"conc error 70000", drawResultPage13, "primaryError=70000", {328, 200, "70000 ", N, kBlack}},
    {"conc temperature 128", drawResultPage12, "temperature=128",
     {34, 262, "Temperature:  -128  " + kDeg + kEs, N, kBlack}},
    {"conc temperature 105", drawResultPage01, "temperature=105",
     {34, 262, "Temperature:   105  " + kDeg + kEs, N, kBlack}},
    {"conc humidity 100", drawResultPage01, "humidity=100",
     {34, 282, "Humidity:         100  % ", N, kBlack}},
    // Sample pages: water and air results, soil error, all digits.
    {"water result 70000", drawResultPage05, "primaryResult=70000", {124, 180, "70000", L, kBlack}},
    {"air result 70000", drawResultPage18, "primaryResult=70000", {138, 180, "70000", L, kBlack}},
    {"soil error 70000", drawResultPage19, "primaryError=70000", {358, 200, "70000 ", N, kBlack}},
    // Flux: any nonzero flag is the second method.
    {"flux method 2", drawResultPage06, "variantFlag=255",
     {390, 118, "(Method 2)", N, kBlack}},
    // Integral 1: Qi with all digits; the error of Qint without overflow.
    {"integral 1 Qi 70000", drawResultPage03, "primaryError=70000", {139, 180, "70000", N, kBlack}},
    {"integral 1 error of 1234", drawResultPage03, "primaryResult=1234",
     {313, 220, "246", N, kBlack}},
    {"integral 1 Qint 300000000", drawResultPage03, "primaryResult=300000000",
     {103, 220, "300000000", N, kBlack}},
    {"integral 1 error past 32-bit product", drawResultPage03, "primaryResult=300000000",
     {268, 220, "60000000", N, kBlack}},
    {"integral 1 error of the largest Qint", drawResultPage03, "primaryResult=4294967295",
     {259, 220, "858993459", N, kBlack}},
    {"integral 1 row temperature -5", drawResultPage03, "temperature=251",
     {34, 380, kTe + " = -5   " + kRowDegrees, N, kBlack}},
    // Integral 2: all four values with all digits, right-aligned.
    {"integral 2 Q(n) 70000", drawResultPage21, "primaryResult=70000",
     {139, 220, "70000", N, kBlack}},
    {"integral 2 error 70000", drawResultPage21, "primaryError=70000",
     {295, 220, "70000", N, kBlack}},
    {"integral 2 Qint 70000", drawResultPage21, "integralResult=70000",
     {139, 250, "70000", N, kBlack}},
    {"integral 2 Qint error 70000", drawResultPage21, "integralError=70000", {295, 250, "70000", N, kBlack}},
    {"integral 2 cycles 300 (low byte)", drawResultPage21, "cycleCount=300",
     {234, 140, "44 ", N, kBlack}},
    {"integral 2 label Q(44)", drawResultPage21, "cycleCount=300",
     {34, 220, "Q(44) = ", N, kBlack}},
    {"integral 2 row temperature -128", drawResultPage21, "temperature=128",
     {34, 380, kTe + " = -128 " + kRowDegrees, N, kBlack}},
    // CRn channel background: eight digits start left of the frame.
    {"background result 8 digits", drawResultPage04, "primaryResult=12345678",
     {8, 230, "12345678", L, kBlack}},
    // Nine or ten digits would start left of the page: they start at its edge.
    {"background result 9 digits", drawResultPage04, "primaryResult=123456789",
     {0, 230, "123456789", L, kBlack}},
    {"background result 10 digits", drawResultPage04, "primaryResult=4294967295",
     {0, 230, "4294967295", L, kBlack}},
    // CRn manual settings: minutes of 100 or more, signed temperature, humidity.
    {"manual pumping 6000 s", drawResultPage25, "pumpingTime=6000",
     {114, 254, "100:00 ", N, kBlack}},
    {"manual delay 65535 s", drawResultPage25, "delayTime=65535",
     {220, 254, "1092:15 ", N, kBlack}},
    {"manual continuous", drawResultPage25, "variantFlag=1",
     {220, 254, " - - -  ", N, kBlack}},
    {"manual temperature -5", drawResultPage25, "temperature=251", {66, 380, " - 5 ", N, kBlack}},
    {"manual temperature -128", drawResultPage25, "temperature=128", {66, 380, "-128 ", N, kBlack}},
    {"manual temperature 105", drawResultPage25, "temperature=105", {66, 380, " 105 ", N, kBlack}},
    {"manual humidity 100", drawResultPage25, "humidity=100", {246, 380, "100 ", N, kBlack}},
    // EEC: errors with all digits.
    {"eec Rn error 70000", drawResultPage14, "eecRnError=70000", {262, 160, "70000 ", N, kBlack}},
    {"eec Tn error 70000", drawResultPage22, "eecTnError=70000", {262, 180, "70000 ", N, kBlack}},
    {"eec Rn 123456", drawResultPage15, "eecRn=123456",
     {34, 160, "EEC(Rn)   = 123456 ", N, kBlack}},
    {"eec row temperature -5", drawResultPage14, "temperature=251",
     {34, 380, kTe + " = -5   " + kRowDegrees, N, kBlack}},
    {"eec row temperature 105", drawResultPage22, "temperature=105",
     {34, 380, kTe + " = 105  " + kRowDegrees, N, kBlack}},
    // EEC Thoron: the whole delay in minutes; the colon keeps its column.
    {"thoron delay 5", drawResultPage20, "delayTime=5", {240, 230, "  05:00 ", N, kBlack}},
    {"thoron delay 130", drawResultPage20, "delayTime=130", {240, 230, " 130:00 ", N, kBlack}},
    {"thoron delay 300", drawResultPage20, "delayTime=300", {240, 230, " 300:00 ", N, kBlack}},
    {"thoron delay 1234", drawResultPage20, "delayTime=1234", {240, 230, "1234:00 ", N, kBlack}},
    {"thoron delay 65535", drawResultPage20, "delayTime=65535",
     {240, 230, "65535:00 ", N, kBlack}},
    {"thoron result 1234", drawResultPage20, "primaryResult=1234", {174, 180, "1234", N, kBlack}},
    {"thoron row temperature -5", drawResultPage20, "temperature=251",
     {34, 380, kTe + " = -5   " + kRowDegrees, N, kBlack}},
    // EEC manual settings: minutes of 100 or more run into their field's blanks.
    {"eec manual pumping 6000 s", drawResultPage10, "pumpingTime=6000",
     {134, 320, " 100:00" + kSeven + " 01:30" + kEight + " 01:02:05 ", N, kBlack}},
    {"eec manual delay 65535 s", drawResultPage10, "delayTime=65535",
     {134, 320, " 05:00" + kEight + " 1092:15" + kSix + " 01:02:05 ", N, kBlack}},
    {"eec manual measurement 65535 s", drawResultPage10, "measurementTime=65535",
     {134, 320, " 05:00" + kEight + " 01:30" + kEight + " 18:12:15 ", N, kBlack}},
    {"eec manual row temperature -5", drawResultPage10, "temperature=251",
     {34, 380, kTe + " = -5   " + kDeg + "C ", N, kBlack}},
};

class WideValues : public ::testing::TestWithParam<WideValue> {};

TEST_P(WideValues, ShowEveryDigitAtTheirPlace) {
  const WideValue& m = GetParam();
  const MeasurementRecord r = withFields(sampleRecord(), m.fields);
  RecordingSurface s;
  m.hook(s, r);
  const DrawCall* c = s.textAt(m.expected.x, m.expected.y);
  ASSERT_NE(c, nullptr) << "no text at (" << m.expected.x << "," << m.expected.y << ")";
  EXPECT_EQ(describe(*c), describe(m.expected));
}

INSTANTIATE_TEST_SUITE_P(Values, WideValues, ::testing::ValuesIn(kWideValues));

// Positions that follow a grown value.

TEST(WideLayout, EecUnitFollowsAnErrorOfEightOrMoreDigits) {
  // Seven digits of the Rn error: everything where it was.
  RecordingSurface s;
  drawResultPage14(s, withFields(sampleRecord(), "eecRnError=9999999 eecTnError=12345678"));
  EXPECT_EQ(s.textAt(262, 160)->text, "9999999 ");
  EXPECT_EQ(s.textAt(332, 160)->text, " Bq/m ");
  EXPECT_EQ(s.textAt(383, 156)->text, "3 ");
  // Eight digits end at x = 334: the unit starts there, and its raised 3 moves along.
  EXPECT_EQ(s.textAt(262, 180)->text, "12345678 ");
  EXPECT_EQ(s.textAt(332, 180), nullptr);
  EXPECT_EQ(s.textAt(334, 180)->text, " Bq/m ");
  EXPECT_EQ(s.textAt(383, 176), nullptr);
  EXPECT_EQ(s.textAt(385, 176)->text, "3 ");
  EXPECT_EQ(s.textAt(385, 176)->font, S);
}

TEST(WideLayout, SampleSubscriptStaysOutOfALongResult) {
  struct {
    Hook hook;
    std::uint32_t result;
    int x;
    const char* subscript;
    bool drawn;
  } cases[] = {
      {drawResultPage05, 999999, 102, "water", true},     // six digits clear the subscript
      {drawResultPage05, 1000000, 80, "water", false},    // seven would lie under it
      {drawResultPage18, 999999, 116, "sample", true},
      {drawResultPage18, 1234567, 94, "sample", false},
      {drawResultPage19, 12345678, 82, "soil ", true},    // soil keeps its layout
  };
  for (const auto& c : cases) {
    RecordingSurface s;
    c.hook(s, withFields(sampleRecord(), "primaryResult=" + std::to_string(c.result)));
    const DrawCall* number = s.textAt(c.x, 180);
    ASSERT_NE(number, nullptr) << c.result;
    EXPECT_EQ(number->font, L);
    EXPECT_EQ(s.findText(c.subscript) != nullptr, c.drawn) << c.result;
  }
}

TEST(WideLayout, WaterPageAfterSevenDigitsEndsWithTheClimateLines) {
  RecordingSurface s;
  drawResultPage05(s, withFields(sampleRecord(), "primaryResult=1234567"));
  const int number = s.indexOfText("1234567");
  ASSERT_GE(number, 0);
  EXPECT_EQ(s.calls[static_cast<std::size_t>(number) + 1].y, 262);  // the temperature line follows
}

// --- invariants -------------------------------------------------------------

struct Program {
  int mode;
  Hook hook;
};

const Program kPrograms[] = {
    {1, drawResultPage01},  {2, drawResultPage02},  {3, drawResultPage03},  {4, drawResultPage04},
    {5, drawResultPage05},  {6, drawResultPage06},  {7, drawResultPage07},  {10, drawResultPage10},
    {12, drawResultPage12}, {13, drawResultPage13}, {14, drawResultPage14}, {15, drawResultPage15},
    {18, drawResultPage18}, {19, drawResultPage19}, {20, drawResultPage20}, {21, drawResultPage21},
    {22, drawResultPage22}, {24, drawResultPage24}, {25, drawResultPage25}, {26, drawResultPage26},
};

TEST(PageFonts, LargeFontTable) {
  const std::set<int> large = {1, 2, 4, 5, 6, 12, 13, 18, 19, 20, 24, 26};
  for (int mode = -1; mode <= 30; ++mode) EXPECT_EQ(pageUsesLargeFont(mode), large.count(mode) == 1) << mode;
}

TEST(PageFonts, OnlyProgramsWithTheLargeFontDrawInIt) {
  for (const Program& p : kPrograms) {
    RecordingSurface s;
    p.hook(s, sampleRecord());
    bool drawsLarge = false;
    for (const DrawCall& c : s.calls)
      if (c.kind == DrawCall::Kind::Text) {
        drawsLarge |= c.font == FontRole::Large;
        EXPECT_NE(c.font, FontRole::None) << p.mode;
        EXPECT_EQ(c.bkColor, kPageColor) << p.mode;
        EXPECT_TRUE(c.textColor == kBlack || c.textColor == kBlue) << p.mode;
      }
    // Mode 20 creates the large font only for its width.
    EXPECT_EQ(drawsLarge, pageUsesLargeFont(p.mode) && p.mode != 20) << p.mode;
  }
}

TEST(PageBounds, AnAllZeroRecordDrawsEveryPage) {
  // The record that a viewer shows for an index past the end of its file.
  const MeasurementRecord zero;
  for (const Program& p : kPrograms) {
    RecordingSurface s;
    p.hook(s, zero);
    ASSERT_NE(s.textAt(230, 96), nullptr) << p.mode;
    EXPECT_EQ(s.textAt(230, 96)->text, "00.00.0    00:00:00   ") << p.mode;
  }
}

}  // namespace
}  // namespace zel::pages
