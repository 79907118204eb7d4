// The twenty result pages through RecordingSurface. For a sample record each
// page is compared call by call: the shared blocks (checked on their own in
// page_blocks_test) in the page's order, and the page's own texts from a table
// of position, bytes, font and colour. Then the stored values that need more
// than the usual digits, and what holds for every page.
#include "viewer/pages/pages.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "viewer/pages/page_blocks.h"

namespace zel::pages {
namespace {

using namespace zel::pages::test;

using Hook = void (*)(Surface&, const MeasurementRecord&);
using Calls = std::vector<std::string>;

constexpr FontRole S = FontRole::Small;
constexpr FontRole N = FontRole::Normal;
constexpr FontRole L = FontRole::Large;

Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Calls texts(const std::vector<Txt>& list) {
  Calls out;
  for (const Txt& t : list) out.push_back(describe(t));
  return out;
}

// A block as it draws on its own, from the state the frame leaves: normal
// font, black on the page colour.
template <typename F>
Calls block(F draw) {
  RecordingSurface s;
  draw(s);
  return describe(s);
}
Calls frame(FrameVariant v) {
  return block([&](Surface& s) { drawPageFrame(s, v); });
}
Calls pulse(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawPulseLine(s, r); });
}
Calls header(const MeasurementRecord& r, const std::string& name) {
  return block([&](Surface& s) { drawMeasurementHeader(s, r, name); });
}
Calls climateLines(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawClimateLines(s, r); });
}
Calls climateRow(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawClimateRow(s, r); });
}

Calls draw(Hook hook, const MeasurementRecord& r) {
  RecordingSurface s;
  hook(s, r);
  return describe(s);
}

// --- whole pages for the sample record -------------------------------------

struct PageCase {
  const char* program;
  Hook hook;
  std::function<Calls(const MeasurementRecord&)> expected;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.program; }

// The concentration page: its blocks, its result, the frame last.
Calls concentration(const MeasurementRecord& r, const std::string& name) {
  return pulse(r) + header(r, name) +
         texts({{304, 200, " " + kPm, N, kBlack},
                {404, 200, " Bq/m ", N, kBlack},
                {328, 200, "89 ", N, kBlack},
                {456, 196, "3 ", S, kBlack},
                {158, 180, "567", L, kBlack}}) +
         climateLines(r) + frame(FrameVariant::Short);
}

// The sample pages: the frame first.
Calls sample(const MeasurementRecord& r, const std::string& name, const std::vector<Txt>& labelled) {
  return frame(FrameVariant::Short) + pulse(r) + header(r, name) +
         texts({{324, 200, " " + kPm, N, kBlack},
                {424, 200, " Bq/m ", N, kBlack},
                {358, 200, "89 ", N, kBlack},
                {476, 196, "3 ", S, kBlack}}) +
         texts(labelled) + climateLines(r);
}

// The EEC pages: header, block, row, the frame last.
Calls eec(const MeasurementRecord& r, const std::string& name) {
  return header(r, name) +
         texts({{34, 160, "EEC(Rn)   = 123 ", N, kBlack},
                {34, 180, "EEC(Tn)   = 45 ", N, kBlack},
                {34, 220, "Fd  = 1.500 ", N, kBlack},
                {240, 160, " " + kPm, N, kBlack},
                {240, 180, " " + kPm, N, kBlack},
                {262, 160, "10 ", N, kBlack},
                {332, 160, " Bq/m ", N, kBlack},
                {262, 180, "6 ", N, kBlack},
                {332, 180, " Bq/m ", N, kBlack},
                {34, 260, "N1 =  100 ", N, kBlack},
                {34, 280, "N2 =  200 ", N, kBlack},
                {34, 320, "N3 =  300 ", N, kBlack},
                {34, 300, "Kv =  0.000 ", N, kBlack},
                {280, 260, "Ca =  0.250 ", N, kBlack},
                {280, 300, "Cb =  1.500 ", N, kBlack},
                {280, 280, "Cc =  2.000 ", N, kBlack},
                {383, 156, "3 ", S, kBlack},
                {383, 176, "3 ", S, kBlack}}) +
         climateRow(r) + frame(FrameVariant::Tall);
}

// The time line of ZelV_10: three fields at characters 0, 14 and 28.
const std::string kEight(8, ' ');
const std::string kSeven(7, ' ');
const std::string kSix(6, ' ');

const std::string kCycles =  // "Тактов измерения: " in Windows-1251
    "\xD2\xE0\xEA\xF2\xEE\xE2 \xE8\xE7\xEC\xE5\xF0\xE5\xED\xE8\xFF: ";

const PageCase kPages[] = {
    {"ZelV_01", drawResultPage01, [](auto& r) { return concentration(r, "CRn 20 estimate            "); }},
    {"ZelV_02", drawResultPage02, [](auto& r) { return concentration(r, "CRn 20                     "); }},
    {"ZelV_12", drawResultPage12, [](auto& r) { return concentration(r, "CRn 20 without blower (wb) "); }},
    {"ZelV_13", drawResultPage13, [](auto& r) { return concentration(r, "CRn 60 without blower (wb)"); }},
    {"ZelV_24", drawResultPage24, [](auto& r) { return concentration(r, "CTn                        "); }},
    {"ZelV_26", drawResultPage26, [](auto& r) { return concentration(r, "CRn 60                     "); }},
    {"ZelV_05", drawResultPage05,
     [](auto& r) {
       return sample(r, "Radon in water      ",
                     {{24, 180, "Q   = ", L, kBlack}, {168, 180, "567", L, kBlack}, {66, 204, "water", S, kBlack}});
     }},
    {"ZelV_18", drawResultPage18,
     [](auto& r) {
       return sample(r, "Radon in air        ",
                     {{24, 180, "Q   = ", L, kBlack}, {182, 180, "567", L, kBlack}, {62, 206, "sample", S, kBlack}});
     }},
    {"ZelV_19", drawResultPage19,
     [](auto& r) {
       return sample(r, "Radon in soil       ",
                     {{24, 180, "Q  =  ", L, kBlack}, {192, 180, "567", L, kBlack}, {60, 208, "soil ", S, kBlack}});
     }},
    {"ZelV_06", drawResultPage06,
     [](auto& r) {
       return frame(FrameVariant::Short) + pulse(r) + header(r, "Radon flux  ") +
              texts({{390, 118, "(Method 1)", N, kBlack},
                     {324, 200, " " + kPm, N, kBlack},
                     {424, 200, "mBq/s*m ", N, kBlack},
                     {358, 200, "89 ", N, kBlack},
                     {24, 180, "Q    = ", L, kBlack},
                     {196, 180, "567", L, kBlack},
                     {62, 205, "Radon flux", S, kBlack},
                     {504, 196, "2 ", S, kBlack}}) +
              climateLines(r);
     }},
    {"ZelV_03", drawResultPage03,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "Integral 1 CRn    ") + pulse(r) +
              texts({{34, 180, "Qi =  ", N, kBlack},
                     {404, 180, " Bq/m ", N, kBlack},
                     {166, 180, "89", N, kBlack},
                     {34, 220, "Qint =  ", N, kBlack},
                     {157, 220, "567", N, kBlack},
                     {313, 220, "113", N, kBlack},  // 567 × 20 ÷ 100, truncated
                     {284, 220, " " + kPm, N, kBlack},
                     {404, 220, " Bq/m ", N, kBlack},
                     {456, 176, "3 ", S, kBlack},
                     {456, 216, "3 ", S, kBlack}}) +
              climateRow(r);
     }},
    {"ZelV_21", drawResultPage21,
     [](auto& r) {
       const Calls ownFrame = {"polyline frame (20,20) (524,20) (524,420) (20,420) (20,20)",
                               move(30, 80),
                               line(30, 80, 510, 80, PenRole::Frame),
                               move(30, 188),
                               line(30, 188, 510, 188, PenRole::Separator),
                               move(30, 368),
                               line(30, 368, 510, 368, PenRole::Separator)};
       return ownFrame + header(r, "Integral 2 CRn    ") + pulse(r) +
              texts({{34, 140, kCycles, N, kBlue},
                     {234, 140, "12 ", N, kBlack},
                     {34, 220, "Q(12) = ", N, kBlack},
                     {284, 220, " " + kPm, N, kBlack},
                     {404, 220, " Bq/m ", N, kBlack},
                     {157, 220, "567", N, kBlack},
                     {322, 220, "89", N, kBlack},
                     {34, 250, "Qint =  ", N, kBlack},
                     {148, 250, "4321", N, kBlack},
                     {313, 250, "210", N, kBlack},
                     {284, 250, " " + kPm, N, kBlack},
                     {404, 250, " Bq/m ", N, kBlack},
                     {456, 216, "3 ", S, kBlack},
                     {456, 246, "3 ", S, kBlack}}) +
              climateRow(r);
     }},
    {"ZelV_04", drawResultPage04,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, " CRn channel background  ") + pulse(r) +
              texts({{124, 180, "Intrinsic background of radiometer ", N, kBlue},
                     {264, 250, " " + kPm, N, kBlack},
                     {364, 250, " Bq/m ", N, kBlack},
                     {288, 250, "89 ", N, kBlack},
                     {416, 246, "3 ", S, kBlack},
                     {118, 230, "567", L, kBlack}});
     }},
    {"ZelV_25", drawResultPage25,
     [](auto& r) {
       return texts({{80, 164, "Pumping mode:   ", N, kBlue},
                     {100, 204, "  Time (hours:minutes:seconds)  ", N, kBlue},
                     {98, 224, "pumping   |    delay    | measurement ", N, kBlue},
                     {324, 164, "timed           ", N, kBlack},
                     {114, 254, "05:00 ", N, kBlack},
                     {220, 254, "01:30 ", N, kBlack},
                     {320, 254, "01:02:05 ", N, kBlack}}) +
              header(r, "CRn manual settings (ms)   ") +
              Calls{move(30, 294), line(30, 294, 510, 294, PenRole::Separator)} +
              texts({{184, 320, "N =     ", N, kBlue},
                     {234, 320, "1234 ", N, kBlack},
                     {34, 380, kTe + " =       " + kDeg + kEs + "  ", N, kBlue},
                     {202, 380, "H =       % ", N, kBlue},
                     {368, 380, "P =       mmHg  ", N, kBlue},
                     {66, 380, "  23 ", N, kBlack},
                     {246, 380, "45 ", N, kBlack},
                     {402, 380, "745 ", N, kBlack}}) +
              frame(FrameVariant::Tall);
     }},
    {"ZelV_14", drawResultPage14, [](auto& r) { return eec(r, "EEC  - 5                "); }},
    {"ZelV_15", drawResultPage15, [](auto& r) { return eec(r, "EEC  - 2                "); }},
    {"ZelV_22", drawResultPage22, [](auto& r) { return eec(r, "EEC  - 10               "); }},
    {"ZelV_20", drawResultPage20,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "EEC Thoron  ") + climateRow(r) +
              texts({{324, 180, " " + kPm, N, kBlack},
                     {424, 180, " Bq/m ", N, kBlack},
                     {358, 180, "89 ", N, kBlack},
                     {34, 180, "EEC(Tn)   = ", N, kBlack},
                     {196, 180, "567", N, kBlack},  // placed by the large font's width
                     {34, 230, "Delay time   =    ", N, kBlack},
                     {240, 230, "  90:00 ", N, kBlack},
                     {476, 176, "3 ", S, kBlack}});
     }},
    {"ZelV_07", drawResultPage07,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "EEC background ") +
              texts({{134, 180, "Intrinsic background of radiometer ", N, kBlue},
                     {194, 210, "Nk =", N, kBlue},
                     {244, 210, "0.250 ", N, kBlack}});
     }},
    {"ZelV_10", drawResultPage10,
     [](auto& r) {
       const Calls ownFrame = {"polyline frame (20,20) (524,20) (524,420) (20,420) (20,20)",
                               move(30, 80),
                               line(30, 80, 510, 80, PenRole::Frame),
                               move(30, 148),
                               line(30, 148, 510, 148, PenRole::Separator),
                               move(30, 228),
                               line(30, 228, 510, 228, PenRole::Separator),
                               move(30, 368),
                               line(30, 368, 510, 368, PenRole::Separator)};
       return ownFrame + header(r, " EEC with manual settings") +
              texts({{36, 180, "N1 =  100 ", N, kBlack},
                     {196, 180, "N2 =  200 ", N, kBlack},
                     {356, 180, "N3 =  300 ", N, kBlack},
                     {128, 256, " Time (hours:minutes:seconds)", N, kBlue},
                     {120, 280, " pumping  |    delay    | measurement ", N, kBlue},
                     {134, 320, " 05:00" + kEight + " 01:30" + kEight + " 01:02:05 ", N, kBlack},
                     // This program's template: ° and a Latin C.
                     {34, 380, kTe + " = 23   " + kDeg + "C ", N, kBlack},
                     {202, 380, "H = 45  % ", N, kBlack},
                     {368, 380, "P = 745 mmHg", N, kBlack}});
     }},
};

class WholePage : public ::testing::TestWithParam<PageCase> {};

TEST_P(WholePage, DrawsCallByCall) {
  const PageCase& c = GetParam();
  const MeasurementRecord r = sampleRecord();
  EXPECT_EQ(draw(c.hook, r), c.expected(r));
}

TEST_P(WholePage, DrawingAgainGivesTheSameCalls) {
  // A page that wrote its digits into shared templates would carry a longer
  // value of one drawing into the next.
  const PageCase& c = GetParam();
  const MeasurementRecord wide = withFields(
      sampleRecord(),
      "pressure=10000 temperature=128 humidity=200 cycleCount=255 pumpingTime=65535 delayTime=65535 year=10000"
      " primaryResult=4294967295 primaryError=4294967295 integralResult=4294967295 integralError=4294967295"
      " eecRn=4294967295 eecRnError=4294967295 eecTn=4294967295 eecTnError=4294967295");

  const MeasurementRecord r = sampleRecord();
  const Calls first = draw(c.hook, r);
  const Calls wideCalls = draw(c.hook, wide);
  EXPECT_EQ(draw(c.hook, wide), wideCalls);
  EXPECT_EQ(draw(c.hook, r), first);
  EXPECT_EQ(draw(c.hook, r), c.expected(r));
}

TEST_P(WholePage, ModeNameIsTheProgramsOwn) {
  const PageCase& c = GetParam();
  const Calls expected = draw(c.hook, sampleRecord());
  for (const char* code : {"0", "7", "14", "26", "255"}) {
    EXPECT_EQ(draw(c.hook, withFields(sampleRecord(), std::string("modeCode=") + code)), expected)
        << "modeCode " << code;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, WholePage, ::testing::ValuesIn(kPages),
                         [](const auto& info) { return std::string(info.param.program); });

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
